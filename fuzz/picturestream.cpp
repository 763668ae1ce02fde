// Picture streams: the persisted form (or bare picture data) read through a CIStream gives a
// picture or error 481, nothing else; a picture read has a size and a handle.
#include <cstdint>
#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/pictures/PictureLoader.h"
#include "resources/CIStream.h"

using namespace lv8int;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Ref<CIStream> stream = make<CIStream>();
  stream->SetBuffer(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    Ref<Picture> p = pictures::loadFromStream(*stream);
    if (!p || p->image().isNull() || p->Handle() == 0) std::abort();
  } catch (const AutomationError& e) {
    if (e.number() != 481) std::abort();
  }
  // The same bytes as an icon file asked for each size code and colour depth.
  if (size > 0) {
    pictures::LoadOptions o;
    o.size = data[0] % 5;
    o.colorDepth = (data[0] / 5) % 4;
    o.x = o.y = 24;
    try {
      pictures::loadPictureData(std::string_view(reinterpret_cast<const char*>(data), size), o);
    } catch (const AutomationError& e) {
      if (e.number() != 481) std::abort();
    }
  }
  return 0;
}
