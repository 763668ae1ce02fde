#pragma once
// The registry service: keys below predefined roots, opened by handle, holding typed values.
// Status codes are those of the platform's registry functions (reg::ERROR_*). The byte-level
// functions below (queryValueEx, and the "A" flavour that passes names and text through the
// ANSI code page) are built on the virtual core, so a replacement implements only the core.
//
// Replace it for a scope with ServiceScope<IRegistry> (for example with a Registry over a
// temporary file, or one kept in memory).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/RegFile.h"
#include "platform/registry/RegistryTypes.h"

namespace lv8int {

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  static IRegistry& current();
  static IRegistry* exchangeCurrent(IRegistry* replacement);

  // Opens `subKey` below `parent` (a root or an open handle; "" opens `parent` again):
  // 0, 2 when the key is not there, 6 when `parent` is not an open handle.
  virtual int32_t openKey(reg::Handle parent, StringView subKey, reg::Handle& result) = 0;
  // Opens the key, creating every missing level: 0, 6, or 87 for a name beyond the platform's
  // limits. A hive that cannot be saved raises its file error (and keeps no change).
  virtual int32_t createKey(reg::Handle parent, StringView subKey, reg::Handle& result) = 0;
  // 0, or 6 for a handle that is not open. Closing a root does nothing.
  virtual int32_t closeKey(reg::Handle key) = 0;

  // The value of that name ("" the unnamed value): 0, 2 when it is not there, 6, or 1018 when
  // the key was deleted while open.
  virtual int32_t getValue(reg::Handle key, StringView name, reg::Value& result) = 0;
  // The value at `index` in the key's value order: 0, or 259 past the last one.
  virtual int32_t enumValue(reg::Handle key, uint32_t index, reg::Value& result) = 0;
  // The name of the sub-key at `index`: 0, or 259 past the last one.
  virtual int32_t enumKey(reg::Handle key, uint32_t index, String& name) = 0;

  virtual int32_t setValue(reg::Handle key, const reg::Value& value) = 0;
  // 0, or 2 when there is no such value.
  virtual int32_t deleteValue(reg::Handle key, StringView name) = 0;
  // Removes `subKey` below `parent` with everything below it: 0, 2 when it is not there, 87
  // for an empty name.
  virtual int32_t deleteKey(reg::Handle parent, StringView subKey) = 0;

  // Runs `work` as one change: its writes are saved together at the end, and when `work`
  // throws none of them is kept.
  virtual void transaction(const std::function<void()>& work) = 0;

  // --- the platform's byte-level functions ---

  // RegQueryValueEx: with `data` null, only the type and the size in bytes are reported;
  // with a buffer of *size bytes the data is copied, or 234 reports the size needed. The text
  // of string values is UTF-16LE with its terminating zero.
  int32_t queryValueEx(reg::Handle key, StringView name, uint32_t* type, uint8_t* data, uint32_t* size);

  // The "A" flavour: names and text in the ANSI code page. String data (REG_SZ,
  // REG_EXPAND_SZ, REG_MULTI_SZ) is converted and its size counts ANSI bytes including the
  // terminating zero, so a caller reads size - 1 characters. Text stored without a
  // terminating zero is given one.
  int32_t openKeyA(reg::Handle parent, std::string_view subKey, reg::Handle& result);
  int32_t queryValueExA(reg::Handle key, std::string_view name, uint32_t* type, uint8_t* data, uint32_t* size);
  int32_t enumValueA(reg::Handle key, uint32_t index, std::string& name, uint32_t* type, uint8_t* data,
                     uint32_t* size);

  // --- whole files ---

  // Carries out the operations of a .reg file as one change. Operations that cannot be
  // carried out are added to `problems`.
  void import(const std::vector<regfile::Operation>& operations, std::vector<regfile::Problem>* problems = nullptr);
  // The key `path` below `root` with everything below it, as .reg text; 2 when it is not there.
  int32_t exportKey(reg::Handle root, StringView path, std::string& text, const regfile::WriteOptions& options = {});
};

namespace reg {

// An open key, closed at the end of the scope.
class OpenedKey {
 public:
  // Opens (or, with `create`, creates) `path` below `parent` in `registry`.
  OpenedKey(IRegistry& registry, Handle parent, StringView path, bool create = false);
  ~OpenedKey();
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  int32_t status() const noexcept { return status_; }
  bool ok() const noexcept { return status_ == ERROR_SUCCESS; }
  Handle handle() const noexcept { return handle_; }

 private:
  IRegistry& registry_;
  Handle handle_ = 0;
  int32_t status_;
};

// The ANSI form of a value's data as the "A" functions report it.
std::vector<uint8_t> ansiData(const Value& value);

}  // namespace reg

}  // namespace lv8int
