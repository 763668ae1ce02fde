#pragma once
// The automation conversion rules, in one place. Banker's rounding (halves to the even
// neighbour); a result out of range raises 6 (Overflow); a text that is no number raises 13
// (Type mismatch); Null where a value is needed raises 94 (Invalid use of Null). An object
// converts through its default member; by-reference arguments convert their target.
#include <cstdint>

#include "platform/automation/String.h"
#include "platform/automation/Variant.h"

namespace lv8int {

String CStr(const Variant& v);
int32_t CLng(const Variant& v);
int16_t CInt(const Variant& v);
bool CBool(const Variant& v);
double CDbl(const Variant& v);
float CSng(const Variant& v);
double CDate(const Variant& v);   // an automation date: days since 1899-12-30
uint8_t CByte(const Variant& v);
int64_t CCur(const Variant& v);   // Currency scaled by 10,000

// A date text read as CDate reads one ("yyyy-mm-dd", "yyyy/m/d", a time of day, both); false
// when the text is no date text (CDate then reads it as a number).
bool dateFromText(StringView text, double& out);

// Round half to even, as every automation conversion to a whole number does.
double roundHalfEven(double value);

// The automation comparison of two Variants (the "=" and "<" of Variant operands):
// Null on either side gives Null; numbers (Boolean, Byte, Date and Empty included) compare by
// value, so False equals 0 and Empty equals 0; Empty equals ""; two texts compare binary;
// a number is less than a text.
enum class Comparison { Less = -1, Equal = 0, Greater = 1, Null = 2 };
Comparison compareVariants(const Variant& a, const Variant& b);

// The value of a Variant for conversions: the target of a by-reference argument, and for an
// object its default member's value (438 when it has none).
Variant valueOf(const Variant& v);

// Text of a number the way automation's Str/CStr formats it (15 significant digits for
// Double, 7 for Single, "1E+20" style exponents).
String formatDouble(double value, int significantDigits = 15);

}  // namespace lv8int
