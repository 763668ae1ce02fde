#pragma once
// Byte arrays of text in the ANSI code page, and their hexadecimal form.
#include <cstdint>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int::modTypeConvert {

// Two bytes per character: the character's ANSI code (signed 16-bit) through the two byte
// extractors. An empty text gives no bytes.
std::vector<uint8_t> StrToAnsiBytes(const String& text);
// The same in the code page `cp` (the active one read once by the caller for several texts).
std::vector<uint8_t> StrToAnsiBytes(const String& text, int cp);
// Each byte as two upper-case hexadecimal digits; `separator` after every `group` bytes.
String BytesToHex(const std::vector<uint8_t>& bytes, const String& separator, int32_t group);

}  // namespace lv8int::modTypeConvert
