#include "platform/codepage/AnsiCodePage.h"

#include <unicode/ucnv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <cstdlib>
#include <map>
#include <memory>

namespace lv8int::codepage {
namespace {

constexpr int kDefaultCodePage = 936;
std::atomic<int> overrideCodePage{0};

// Read on each call (the variable may change under a test); parsed again only when it has.
int environmentCodePage() {
  thread_local std::string seen;
  thread_local int cp = kDefaultCodePage;
  const char* v = std::getenv("LV8INT_CODEPAGE");
  std::string_view now = v ? v : "";
  if (now == seen) return cp;
  seen.assign(now);
  char* end = nullptr;
  long n = std::strtol(seen.c_str(), &end, 10);
  cp = (seen.empty() || *end != '\0' || n <= 0 || n > 65535 || !isSupported(static_cast<int>(n)))
           ? kDefaultCodePage
           : static_cast<int>(n);
  return cp;
}

struct CloseConverter {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, CloseConverter>;

ConverterPtr openConverter(int cp) {
  std::string names[3];
  if (cp == 65001) {
    names[0] = "UTF-8";
  } else if (cp == 936) {
    names[0] = "windows-936";
  } else {
    names[0] = "windows-" + std::to_string(cp);
    names[1] = "cp" + std::to_string(cp);
    names[2] = "ibm-" + std::to_string(cp);
  }
  for (const std::string& name : names) {
    if (name.empty()) continue;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || !c) continue;
    // Windows' default character for every ANSI code page.
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_setSubstChars(c, "?", 1, &ignored);
    return ConverterPtr(c);
  }
  return nullptr;
}

// Converters are stateful, so each thread keeps its own, one per code page.
UConverter* converter(int cp) {
  thread_local std::map<int, ConverterPtr> cache;
  auto it = cache.find(cp);
  if (it == cache.end()) it = cache.emplace(cp, openConverter(cp)).first;
  if (it->second) ucnv_reset(it->second.get());
  return it->second.get();
}

// The last resort when a code page has no converter: ASCII passes, the rest is '?'.
std::string asciiOnly(StringView text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace

int activeCodePage() {
  int cp = overrideCodePage.load(std::memory_order_relaxed);
  return cp ? cp : environmentCodePage();
}

void setActiveCodePage(int cp) { overrideCodePage.store(cp, std::memory_order_relaxed); }

bool isSupported(int cp) { return converter(cp) != nullptr; }

std::string toAnsi(StringView text) { return toAnsi(text, activeCodePage()); }

std::string toAnsi(StringView text, int cp) {
  UConverter* c = converter(cp);
  if (!c) return asciiOnly(text);
  if (text.empty()) return {};
  std::string out(UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(c)), '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return asciiOnly(text);
  out.resize(static_cast<size_t>(n));
  return out;
}

String fromAnsi(std::string_view bytes) { return fromAnsi(bytes, activeCodePage()); }

String fromAnsi(std::string_view bytes, int cp) {
  UConverter* c = converter(cp);
  if (!c) {
    String out;
    for (char b : bytes) out.push_back(static_cast<unsigned char>(b) < 0x80 ? char16_t(b) : u'\uFFFD');
    return out;
  }
  if (bytes.empty()) return {};
  // Every byte yields at most two UTF-16 units.
  String out(bytes.size() * 2 + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), bytes.data(),
                            static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return fromUtf8(bytes);
  out.resize(static_cast<size_t>(n));
  return out;
}

int16_t charCode(char16_t c) { return charCode(c, activeCodePage()); }

namespace {

int16_t convertCharCode(char16_t c, int cp) {
  constexpr int16_t kDefaultCharCode = '?';
  // A lone half of a surrogate pair is no character of any code page.
  if (c >= 0xD800 && c <= 0xDFFF) return kDefaultCharCode;
  UConverter* conv = converter(cp);
  char bytes[8];
  int32_t n = 0;
  if (!conv) {
    bytes[0] = c < 0x80 ? static_cast<char>(c) : '?';
    n = 1;
  } else {
    UErrorCode status = U_ZERO_ERROR;
    n = ucnv_fromUChars(conv, bytes, sizeof bytes, reinterpret_cast<const UChar*>(&c), 1, &status);
    if (U_FAILURE(status)) {
      bytes[0] = c < 0x80 ? static_cast<char>(c) : '?';
      n = 1;
    }
  }
  if (n == 1) return static_cast<int16_t>(static_cast<unsigned char>(bytes[0]));
  if (n == 2) {
    auto v = static_cast<uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]));
    return static_cast<int16_t>(v);
  }
  return kDefaultCharCode;
}

// Character codes are asked for one character at a time (passwords, keys), so each thread
// keeps the codes of its code page: all of ASCII, and recent other characters in a small
// direct-mapped table. A change of code page empties both.
struct CharCodeCache {
  int cp = 0;
  int16_t ascii[0x80];
  char16_t otherChar[256];  // 0: empty slot (0 is ASCII, so never stored here)
  int16_t otherCode[256];

  void use(int newCp) {
    if (newCp == cp) return;
    for (char16_t c = 0; c < 0x80; ++c) ascii[c] = convertCharCode(c, newCp);
    std::fill(std::begin(otherChar), std::end(otherChar), u'\0');
    cp = newCp;
  }
};

}  // namespace

int16_t charCode(char16_t c, int cp) {
  thread_local CharCodeCache cache;
  cache.use(cp);
  if (c < 0x80) return cache.ascii[c];
  const size_t slot = (c ^ (c >> 8)) & 0xFF;
  if (cache.otherChar[slot] != c) {
    cache.otherCode[slot] = convertCharCode(c, cp);
    cache.otherChar[slot] = c;
  }
  return cache.otherCode[slot];
}

bool isValidUtf8(std::string_view bytes) { return firstInvalidUtf8(bytes) == std::string_view::npos; }

size_t firstInvalidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
#if defined(__SSE2__)
    if (i + 16 <= n) {  // ASCII sixteen bytes at a time, then straight to the first other byte
      const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i)));
      if (high == 0) {
        i += 16;
        continue;
      }
      i += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(high)));
    }
#else
    if (i + 8 <= n) {  // ASCII eight bytes at a time
      uint64_t w;
      std::memcpy(&w, bytes.data() + i, 8);
      if ((w & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
#endif
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      cp = b & 0x07;
    } else {
      return i;
    }
    if (n - i <= static_cast<size_t>(extra)) return i;
    for (int k = 1; k <= extra; ++k) {
      auto c = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
      if ((c & 0xC0) != 0x80) return i;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return i;
    i += static_cast<size_t>(extra) + 1;
  }
  return std::string_view::npos;
}

bool charsetToUtf8(std::string_view bytes, const std::string& charset, std::string& utf8) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr known(ucnv_open(charset.c_str(), &status));
  if (U_FAILURE(status) || !known) return false;
  utf8.assign(bytes.size() * 3 + 16, '\0');
  status = U_ZERO_ERROR;
  int32_t n = ucnv_convert("UTF-8", charset.c_str(), utf8.data(), static_cast<int32_t>(utf8.size()), bytes.data(),
                           static_cast<int32_t>(bytes.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    utf8.assign(static_cast<size_t>(n) + 1, '\0');
    status = U_ZERO_ERROR;
    n = ucnv_convert("UTF-8", charset.c_str(), utf8.data(), static_cast<int32_t>(utf8.size()), bytes.data(),
                     static_cast<int32_t>(bytes.size()), &status);
  }
  if (U_FAILURE(status)) return false;
  utf8.resize(static_cast<size_t>(n));
  return true;
}

}  // namespace lv8int::codepage
