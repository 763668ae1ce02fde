#include "app/modEncrypt.h"

#include <vector>

#include "app/modTypeConvert.h"
#include "platform/automation/AutomationError.h"

namespace lv8int::modEncrypt {

String EncryptText(const String& text, const String& key, int32_t length) {
  std::vector<uint8_t> t = modTypeConvert::StrToAnsiBytes(text);
  if (length > 0) {
    // Two bytes per character, in automation's 32-bit arithmetic.
    int64_t size = 2 * static_cast<int64_t>(length);
    if (size > INT32_MAX) raiseError(err::Overflow);
    t.resize(static_cast<size_t>(size), 0);
  }

  std::vector<uint8_t> k = modTypeConvert::StrToAnsiBytes(key);
  if (k.empty()) k.push_back(0);

  // Each output byte feeds into the next, so a change early in the text changes every later
  // digit; the key repeats from its first byte.
  uint8_t prev = 0;
  size_t j = 0;
  for (uint8_t& b : t) {
    b = static_cast<uint8_t>(k[j] ^ b ^ prev);
    prev = b;
    if (++j == k.size()) j = 0;
  }
  return modTypeConvert::BytesToHex(t, String(), 1);
}

}  // namespace lv8int::modEncrypt
