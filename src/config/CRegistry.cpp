#include "config/CRegistry.h"

#include <vector>

#include "platform/codepage/AnsiCodePage.h"
#include "platform/registry/ExpandEnvironment.h"
#include "platform/registry/IRegistry.h"

namespace lv8int {

namespace {

// Text of `count` ANSI bytes (zeros inside a multi-string stay).
String ansiText(const std::vector<uint8_t>& bytes, size_t count) {
  if (count > bytes.size()) count = bytes.size();
  return codepage::fromAnsi(std::string_view(reinterpret_cast<const char*>(bytes.data()), count));
}

int32_t littleEndianLong(const std::vector<uint8_t>& bytes, bool reversed) {
  uint8_t b[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < 4 && i < bytes.size(); ++i) b[i] = bytes[i];
  uint32_t n = reversed ? (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3])
                        : (uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
  return static_cast<int32_t>(n);
}

}  // namespace

bool CRegistry::KeyExists() const {
  IRegistry& registry = IRegistry::current();
  reg::Handle key = 0;
  if (registry.openKeyA(static_cast<reg::Handle>(classKey_), codepage::toAnsi(sectionKey_), key) !=
      reg::ERROR_SUCCESS)
    return false;
  registry.closeKey(key);
  return true;
}

Variant CRegistry::Value() {
  IRegistry& registry = IRegistry::current();
  reg::Handle key = 0;
  const int32_t opened =
      registry.openKeyA(static_cast<reg::Handle>(classKey_), codepage::toAnsi(sectionKey_), key);
  if (opened != reg::ERROR_SUCCESS) return default_;

  const std::string name = codepage::toAnsi(valueKey_);
  uint32_t type = 0;
  uint32_t size = 0;
  const int32_t status = registry.queryValueExA(key, name, &type, nullptr, &size);
  if (status != reg::ERROR_SUCCESS && status != reg::ERROR_MORE_DATA) {
    registry.closeKey(key);
    return default_;
  }
  valueType_ = static_cast<int32_t>(type);

  // The data itself; a buffer the size the first query reported.
  std::vector<uint8_t> data(size);
  uint32_t got = size;
  if (size > 0) registry.queryValueExA(key, name, &type, data.data(), &got);

  Variant result;
  switch (static_cast<uint32_t>(valueType_)) {
    case reg::REG_SZ:
    case reg::REG_MULTI_SZ:
      // size - 1 characters: the final zero is dropped, separating zeros stay.
      result = ansiText(data, size > 0 ? size - 1 : 0);
      break;
    case reg::REG_EXPAND_SZ: {
      const std::string source = codepage::toAnsi(ansiText(data, size > 0 ? size - 1 : 0));
      const uint32_t needed = reg::expandEnvironmentStringsA(source, nullptr, 0);
      std::vector<uint8_t> expanded(needed);
      if (needed > 0) reg::expandEnvironmentStringsA(source, reinterpret_cast<char*>(expanded.data()), needed);
      result = ansiText(expanded, needed > 0 ? needed - 1 : 0);
      break;
    }
    case reg::REG_DWORD:
      result = littleEndianLong(data, false);
      break;
    case reg::REG_DWORD_BIG_ENDIAN:
      result = littleEndianLong(data, true);
      break;
    default: {
      // Bytes 0 to size: the data, then one more byte that stays 0.
      std::vector<uint8_t> bytes(data);
      bytes.push_back(0);
      result = Variant::byteArray(bytes);
      break;
    }
  }
  registry.closeKey(key);
  return result;
}

}  // namespace lv8int
