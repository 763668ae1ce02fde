#include "resources/CResourceDLL.h"

#include <atomic>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/automation/Variant.h"
#include "platform/codepage/AnsiCodePage.h"
#include "platform/files/Files.h"
#include "platform/pictures/PictureLoader.h"
#include "resources/CIStream.h"

namespace lv8int {

namespace {

// The string loader's buffer: 254 bytes, one of them for the terminating NUL.
constexpr size_t kStringBufferBytes = 254;

int32_t nextModuleHandle() {
  static std::atomic<int32_t> counter{0x400000};
  return counter.fetch_add(0x10000) & 0x7FFF0000;
}

// The text as the ANSI string loader leaves it in its buffer: converted to the ANSI code page,
// cut at the first NUL, and at most 253 bytes without splitting a character.
String throughAnsiBuffer(const String& text) {
  String kept = text.substr(0, text.find(u'\0'));
  std::string bytes = codepage::toAnsi(kept);
  if (bytes.size() >= kStringBufferBytes) {
    bytes.clear();
    for (size_t i = 0; i < kept.size();) {
      size_t n = (i + 1 < kept.size() && (kept[i] & 0xFC00) == 0xD800 && (kept[i + 1] & 0xFC00) == 0xDC00) ? 2 : 1;
      std::string one = codepage::toAnsi(StringView(kept).substr(i, n));
      if (bytes.size() + one.size() > kStringBufferBytes - 1) break;
      bytes += one;
      i += n;
    }
  }
  return codepage::fromAnsi(bytes);
}

}  // namespace

CResourceDLL::CResourceDLL() = default;

CResourceDLL::~CResourceDLL() = default;  // releasing the module frees its image

void CResourceDLL::put_DLLName(const String& sDLLName) {
  name_ = sDLLName;
  module_.reset();
  handle_ = 0;
  loadError_.clear();
  // As the library loader does, a name without an extension means a ".dll" file.
  String path = files::fromWindowsPath(sDLLName);
  String file = files::fileName(path);
  if (!file.empty() && file.find(u'.') == String::npos && !files::fileExists(files::resolve(path))) path += u".dll";
  String why;
  module_ = pe::PeFile::open(path, &why);
  if (module_) handle_ = nextModuleHandle();
  else loadError_ = why;
}

String CResourceDLL::LoadDLLString(int32_t index) {
  if (!module_ || !module_->hasType(pe::ResourceName(pe::RT_STRING))) {
    lastError_ = kErrorResourceTypeNotFound;
    return String();
  }
  std::optional<String> text = module_->loadString(static_cast<uint32_t>(index));
  if (!text) {
    lastError_ = kErrorResourceNameNotFound;
    return String();
  }
  lastError_ = 0;
  return throughAnsiBuffer(*text);
}

std::vector<uint8_t> CResourceDLL::persistedForm(std::span<const uint8_t> data) {
  std::vector<uint8_t> form(8 + data.size());
  uint32_t size = static_cast<uint32_t>(data.size());
  form[0] = 108, form[1] = 116, form[2] = 0, form[3] = 0;
  for (int i = 0; i < 4; ++i) form[4 + i] = static_cast<uint8_t>((size >> (8 * i)) & 0xFF);
  std::copy(data.begin(), data.end(), form.begin() + 8);
  return form;
}

Ref<Picture> CResourceDLL::LoadDLLPicture(const String& index, int32_t rc, int32_t xPixel, int32_t yPixel) {
  // A number names the resource "#n"; anything else is the resource's name.
  std::optional<double> number;
  try {
    number = CDbl(Variant(index));
  } catch (const AutomationError&) {
  }
  if (number && *number < 1) return nullptr;
  if (!module_) return nullptr;
  // No resource number goes beyond 16 bits.
  if (number && *number >= 65535.5) return nullptr;
  pe::ResourceName name = number ? pe::ResourceName::parse(u"#" + CStr(Variant(CLng(Variant(*number)))))
                                 : pe::ResourceName::parse(index);
  switch (rc) {
    case 0: return pictures::loadBitmapResource(*module_, name);
    case 1: return pictures::loadIconResource(*module_, name, xPixel, yPixel);
    case 2: return pictures::loadCursorResource(*module_, name, 0, 0);
    case 3:
    case 4: {
      auto data = module_->find(pe::ResourceName(u"CUSTOM"), name);
      if (!data || data->bytes.empty()) return nullptr;
      Ref<CIStream> stream = make<CIStream>();
      stream->SetBuffer(persistedForm(data->bytes));
      return pictures::loadFromStream(*stream);
    }
    default: return nullptr;
  }
}

}  // namespace lv8int
