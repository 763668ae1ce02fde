#pragma once
// CResourceDLL: one resource module (a Windows DLL holding strings and pictures), loaded when
// its name is assigned and released with the object.
#include <cstdint>
#include <memory>

#include "platform/automation/Object.h"
#include "platform/pe/PeFile.h"
#include "platform/pictures/Picture.h"

namespace lv8int {

class CResourceDLL : public Object {
 public:
  // Values LastError takes after LoadDLLString, as the platform's loader reports them.
  static constexpr int32_t kErrorResourceTypeNotFound = 1813;
  static constexpr int32_t kErrorResourceNameNotFound = 1814;

  CResourceDLL();
  ~CResourceDLL() override;

  // Stores the name and loads the module (backslashes are separators; letter case resolved
  // as for other files). On failure the handle becomes 0 and nothing is raised.
  void put_DLLName(const String& sDLLName);
  String DLLName() const { return name_; }

  // String `index` of the module's string table as the ANSI string loader gives it into a
  // 254-byte buffer: at most 253 bytes of the ANSI code page (a double-byte character is not
  // split), up to the first NUL, converted back. A missing string gives "" with LastError not 0;
  // a string that exists and is empty gives "" with LastError 0.
  String LoadDLLString(int32_t index);
  // A picture of the module: rc 0 bitmap, 1 icon of xPixel by yPixel, 2 cursor, 3 or 4 a
  // "CUSTOM" resource holding picture data (persisted form through a CIStream). `index` is a
  // number (low 16 bits; below 1 gives no object) or a resource name. No object when the
  // module is not loaded, the resource is missing or rc is out of range; a custom resource
  // whose data is not a picture raises 481 (Invalid picture).
  Ref<Picture> LoadDLLPicture(const String& index, int32_t rc, int32_t xPixel = 0, int32_t yPixel = 0);

  // The platform's last error code after the last LoadDLLString: 0 when the string was found.
  int32_t LastError() const { return lastError_; }
  // The module handle: 0 when none is loaded or loading failed.
  int32_t ModuleHandle() const { return handle_; }
  // The loaded module (listings); null when none.
  const pe::PeFile* module() const { return module_.get(); }
  // Why the last load failed; "" after a successful one.
  const String& loadError() const { return loadError_; }

  // The persisted form of a picture: "lt", 0, 0, the size as 32-bit little-endian, the bytes.
  static std::vector<uint8_t> persistedForm(std::span<const uint8_t> data);

 private:
  String name_;
  std::unique_ptr<pe::PeFile> module_;
  int32_t handle_ = 0;
  int32_t lastError_ = 0;
  String loadError_;
};

}  // namespace lv8int
