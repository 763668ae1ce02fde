#pragma once
// The system's ANSI code page: the single- or double-byte encoding that byte-oriented
// interfaces (INI files that are not UTF-8, character codes, help file names) use.
// 936 unless the environment variable LV8INT_CODEPAGE names another (1252, 65001 ...).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/String.h"

namespace lv8int::codepage {

// The code page in force: the one set by setActiveCodePage, else LV8INT_CODEPAGE, else 936.
int activeCodePage();
// Replaces the code page for the whole process (tests); 0 returns to the environment's choice.
void setActiveCodePage(int cp);

// True when the code page has a converter on this system.
bool isSupported(int cp);

// Text to bytes of the active code page. A character the code page cannot represent becomes
// the code page's default character ('?').
std::string toAnsi(StringView text);
std::string toAnsi(StringView text, int cp);
// Bytes of the active code page to text. A byte sequence that is not valid becomes U+FFFD.
String fromAnsi(std::string_view bytes);
String fromAnsi(std::string_view bytes, int cp);

// A character's code as a signed 16-bit value: a single-byte character gives its byte, a
// double-byte one its two bytes with the lead byte high (so negative in 936), a character the
// code page cannot represent (or one needing more than two bytes) the default character's code.
int16_t charCode(char16_t c);
int16_t charCode(char16_t c, int cp);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);
// The offset of the first byte that is not well-formed UTF-8, or std::string_view::npos.
size_t firstInvalidUtf8(std::string_view bytes);

// Bytes in the character set of that name ("gb2312", "big5", "ISO-8859-1" ...) as UTF-8;
// false when the character set is unknown. Invalid sequences become U+FFFD.
bool charsetToUtf8(std::string_view bytes, const std::string& charset, std::string& utf8);

}  // namespace lv8int::codepage
