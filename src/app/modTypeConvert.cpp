#include "app/modTypeConvert.h"

#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"
#include "platform/helpers/Helpers.h"

namespace lv8int::modTypeConvert {

std::vector<uint8_t> StrToAnsiBytes(const String& text) { return StrToAnsiBytes(text, codepage::activeCodePage()); }

std::vector<uint8_t> StrToAnsiBytes(const String& text, int cp) {
  std::vector<uint8_t> bytes;
  if (text.empty()) return bytes;
  bytes.resize(text.size() * 2);
  size_t i = 0;
  for (char16_t ch : text) {
    // Stored passwords were made with this byte order; the text and the key must agree on it.
    int16_t code = codepage::charCode(ch, cp);
    bytes[i++] = helpers::firstByte(code);
    bytes[i++] = helpers::secondByte(code);
  }
  return bytes;
}

String BytesToHex(const std::vector<uint8_t>& bytes, const String& separator, int32_t group) {
  if (bytes.empty()) return {};
  if (group < 1) raiseError(err::InvalidProcedureCall);
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out;
  out.reserve(bytes.size() * 2 + (bytes.size() / static_cast<size_t>(group)) * separator.size());
  int32_t inGroup = 0;
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
    if (++inGroup == group) {
      out += separator;
      inGroup = 0;
    }
  }
  return out;
}

}  // namespace lv8int::modTypeConvert
