// Resource modules: any bytes either fail to open with a reason or open and answer every
// lookup (strings, listings, bitmaps, icons and cursors through their groups) without reading
// outside the image.
#include <cstdint>
#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/pe/PeFile.h"
#include "platform/pictures/PictureLoader.h"

using namespace lv8int;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  String error;
  auto pe = pe::PeFile::fromBytes(bytes, &error);
  if (!pe) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (uint32_t id : {0u, 1u, 5u, 16u, 17u, 0xFFFFu}) pe->loadString(id);
  pe->strings();
  size_t n = 0;
  for (const pe::ResourceEntry& e : pe->entries()) {
    if (++n > 64) break;
    if (e.size == 0) std::abort();  // entries list only data that is inside the image
    if (!e.type.isId()) continue;
    switch (e.type.id()) {
      case pe::RT_BITMAP: pictures::loadBitmapResource(*pe, e.name); break;
      case pe::RT_GROUP_ICON:
        pictures::loadIconResource(*pe, e.name, 0, 0);
        pictures::loadIconResource(*pe, e.name, 16, 16);
        break;
      case pe::RT_GROUP_CURSOR: pictures::loadCursorResource(*pe, e.name, 0, 0); break;
      default: break;
    }
  }
  return 0;
}
