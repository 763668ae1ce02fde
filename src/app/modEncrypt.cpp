#include "app/modEncrypt.h"

#include <vector>

#include "app/modTypeConvert.h"
#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"

namespace lv8int::modEncrypt {

namespace {

// The key's bytes: callers pass the same key every time, so they are kept per thread for the
// key and the code page they were made in.
const std::vector<uint8_t>& keyBytes(const String& key, int cp) {
  thread_local struct {
    String key;
    int cp = 0;
    std::vector<uint8_t> bytes;
  } cache;
  if (cache.cp != cp || cache.key != key) {
    std::vector<uint8_t> k = modTypeConvert::StrToAnsiBytes(key, cp);
    if (k.empty()) k.push_back(0);
    cache.bytes = std::move(k);
    cache.key = key;
    cache.cp = cp;
  }
  return cache.bytes;
}

}  // namespace

String EncryptText(const String& text, const String& key, int32_t length) {
  // One code page for the text and the key, read once.
  const int cp = codepage::activeCodePage();
  std::vector<uint8_t> t = modTypeConvert::StrToAnsiBytes(text, cp);
  if (length > 0) {
    // Two bytes per character, in automation's 32-bit arithmetic.
    int64_t size = 2 * static_cast<int64_t>(length);
    if (size > INT32_MAX) raiseError(err::Overflow);
    t.resize(static_cast<size_t>(size), 0);
  }

  const std::vector<uint8_t>& k = keyBytes(key, cp);

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
