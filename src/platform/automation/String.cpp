#include "platform/automation/String.h"

#include <unicode/uchar.h>
#include <cstdint>
#include <unicode/ustring.h>

namespace lv8int {

String fromUtf8(std::string_view in) {
  String out;
  out.reserve(in.size());
  size_t i = 0;
  const size_t n = in.size();
  auto cont = [&](size_t k) { return k < n && (static_cast<unsigned char>(in[k]) & 0xC0) == 0x80; };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    char32_t cp;
    size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0 && cont(i + 1)) {
      cp = ((c & 0x1F) << 6) | (in[i + 1] & 0x3F); len = 2;
      if (cp < 0x80) cp = 0xFFFD;
    } else if ((c & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
      cp = ((c & 0x0F) << 12) | ((in[i + 1] & 0x3F) << 6) | (in[i + 2] & 0x3F); len = 3;
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    } else if ((c & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      cp = ((c & 0x07) << 18) | ((in[i + 1] & 0x3F) << 12) | ((in[i + 2] & 0x3F) << 6) | (in[i + 3] & 0x3F);
      len = 4;
      if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
    } else { cp = 0xFFFD; len = 1; }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string toUtf8(StringView in) {
  std::string out;
  out.reserve(in.size() * 3);
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) out.push_back(static_cast<char>(cp));
    else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

namespace {

// The case folding of one code unit where it needs no tables: ASCII, the CJK block from
// U+3000 to U+9FFF (symbols, kana, ideographs: no case) and the full-width forms (only the
// full-width capitals U+FF21..U+FF3A fold). False for anything else, which ICU folds.
inline bool foldSimple(char16_t c, char16_t& out) noexcept {
  if (c < 0x80) {
    out = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    return true;
  }
  if (c >= 0x3000 && c <= 0x9FFF) {
    out = c;
    return true;
  }
  if (c >= 0xFF00 && c <= 0xFFEF) {
    out = (c >= 0xFF21 && c <= 0xFF3A) ? static_cast<char16_t>(c + 0x20) : c;
    return true;
  }
  return false;
}

// Folded code units are hashed four at a time: each 64-bit word is mixed in with a multiply
// and a shift, and the result is finished so that every unit reaches the low bits (tables
// index with them).
inline uint64_t mixWord(uint64_t h, uint64_t word) noexcept {
  h = (h ^ word) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 32);
}
inline size_t finishHash(uint64_t h) noexcept {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  return static_cast<size_t>(h ^ (h >> 33));
}
constexpr uint64_t kHashSeed = 14695981039346656037ull;

// The hash of units that are folded already.
size_t hashFolded(StringView folded) noexcept {
  uint64_t h = kHashSeed;
  uint64_t word = 0;
  int n = 0;
  for (char16_t c : folded) {
    word |= static_cast<uint64_t>(c) << (16 * n);
    if (++n == 4) {
      h = mixWord(h, word);
      word = 0;
      n = 0;
    }
  }
  if (n) h = mixWord(h, word);
  return finishHash(h);
}

}  // namespace

size_t NoCaseHash::operator()(StringView text) const noexcept {
  // Text of units that fold one to one (most names and keys) is folded as it is hashed, in
  // the same words hashFolded makes; anything else is folded whole first.
  uint64_t h = kHashSeed;
  const size_t n = text.size();
  size_t i = 0;
  for (; i < n; i += 4) {
    uint64_t word = 0;
    const size_t end = i + 4 < n ? i + 4 : n;
    for (size_t k = i; k < end; ++k) {
      char16_t f;
      if (!foldSimple(text[k], f)) {
        try {
          return hashFolded(foldCase(text));
        } catch (...) {
          return 0;  // out of memory: a poor hash, but still consistent with equality
        }
      }
      word |= static_cast<uint64_t>(f) << (16 * (k - i));
    }
    h = mixWord(h, word);
  }
  return finishHash(h);
}

String foldCase(StringView text) {
  String out(text);
  bool simple = true;
  for (auto& c : out) {
    if (!foldSimple(c, c)) {
      simple = false;
      break;
    }
  }
  if (simple) return out;  // most names and keys: no tables needed
  out.assign(text.size() + 8, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                              U_FOLD_CASE_DEFAULT, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(len), u'\0');
    status = U_ZERO_ERROR;
    len = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), len, reinterpret_cast<const UChar*>(text.data()),
                        static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
  }
  if (U_FAILURE(status)) return String(text);
  out.resize(static_cast<size_t>(len));
  return out;
}

bool equalsNoCase(StringView a, StringView b) {
  // Most names come in the case they were declared in.
  if (a == b) return true;
  // Texts made only of code units that fold one to one compare unit by unit; anything else
  // (a unit that folds to several, as U+00DF does) is folded whole.
  if (a.size() == b.size()) {
    bool simple = true;
    size_t i = 0;
    for (; i < a.size(); ++i) {
      char16_t x, y;
      if (!foldSimple(a[i], x) || !foldSimple(b[i], y)) {
        simple = false;
        break;
      }
      if (x != y) break;
    }
    // Simple units fold one to one, so a difference after a simple prefix is final.
    if (simple) return i == a.size();
  } else {
    // Different lengths can only match through a unit that folds to several.
    char16_t ignored;
    bool allSimple = true;
    for (char16_t c : a) allSimple = allSimple && foldSimple(c, ignored);
    for (char16_t c : b) allSimple = allSimple && foldSimple(c, ignored);
    if (allSimple) return false;
  }
  try {
    return foldCase(a) == foldCase(b);
  } catch (...) {
    return false;
  }
}

String toString(long long value) {
  std::string s = std::to_string(value);
  return String(s.begin(), s.end());
}

}  // namespace lv8int
