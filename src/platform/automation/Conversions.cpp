#include "platform/automation/Conversions.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "platform/automation/AutomationError.h"

namespace lv8int {

namespace {

// An object's default member may itself return an object; stop following after this many.
constexpr int kMaxDefaultDepth = 16;

// ---------------------------------------------------------------------------------------
// Resolving a Variant to a value

// The value to convert: the target of a by-reference argument, or an object's default value
// (stored in `holder`). Nothing raises 91, an object without a default member 438.
const Variant& resolve(const Variant& in, Variant& holder) {
  const Variant* v = &in.deref();
  for (int depth = 0; v->isObject(); ++depth) {
    if (depth == kMaxDefaultDepth) raiseError(err::MemberNotSupported);
    Ref<Object> obj = v->rawObject();
    if (!obj) raiseError(err::ObjectNotSet);
    Args none;
    Variant value = obj->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, none);
    holder = value.deref();
    v = &holder;
  }
  return *v;
}

[[noreturn]] void typeMismatch() { raiseError(err::TypeMismatch); }
[[noreturn]] void overflow() { raiseError(err::Overflow); }
[[noreturn]] void invalidUseOfNull() { raiseError(err::InvalidUseOfNull); }

// ---------------------------------------------------------------------------------------
// Number text: [spaces][+|-]digits[.digits][(E|D)[+|-]digits][spaces], or &H / &O.

struct NumberText {
  bool negative = false;
  bool radix = false;         // &H hexadecimal or &O octal
  uint64_t radixValue = 0;    // the bit pattern of a radix number
  bool radixTooLong = false;  // more than 32 bits
  std::string digits;         // significant decimal digits, no leading or trailing zeros
  int64_t exponent = 0;       // value = digits x 10^exponent
};

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

StringView trimBlanks(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool parseNumber(StringView text, NumberText& out) {
  StringView s = trimBlanks(text);
  size_t i = 0;
  const size_t n = s.size();
  if (n == 0) return false;

  if (s[0] == u'&') {
    if (n < 3) return false;
    unsigned base;
    if (s[1] == u'H' || s[1] == u'h') base = 16;
    else if (s[1] == u'O' || s[1] == u'o') base = 8;
    else return false;
    out.radix = true;
    for (i = 2; i < n; ++i) {
      char16_t c = s[i];
      unsigned d;
      if (isDigit(c)) d = static_cast<unsigned>(c - u'0');
      else if (base == 16 && c >= u'a' && c <= u'f') d = static_cast<unsigned>(c - u'a' + 10);
      else if (base == 16 && c >= u'A' && c <= u'F') d = static_cast<unsigned>(c - u'A' + 10);
      else return false;
      if (d >= base) return false;
      out.radixValue = out.radixValue * base + d;
      if (out.radixValue > 0xFFFFFFFFull) {
        out.radixTooLong = true;
        out.radixValue = 0xFFFFFFFFull + 1;  // keep it from wrapping; only "too long" matters now
      }
    }
    return true;
  }

  if (s[i] == u'+' || s[i] == u'-') {
    out.negative = s[i] == u'-';
    ++i;
  }
  std::string mantissa;
  int64_t fractionDigits = 0;
  bool anyDigit = false;
  while (i < n && isDigit(s[i])) {
    mantissa.push_back(static_cast<char>(s[i++]));
    anyDigit = true;
  }
  if (i < n && s[i] == u'.') {
    ++i;
    while (i < n && isDigit(s[i])) {
      mantissa.push_back(static_cast<char>(s[i++]));
      ++fractionDigits;
      anyDigit = true;
    }
  }
  if (!anyDigit) return false;
  int64_t exp = 0;
  if (i < n && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
    ++i;
    bool expNegative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
      expNegative = s[i] == u'-';
      ++i;
    }
    if (i >= n || !isDigit(s[i])) return false;
    while (i < n && isDigit(s[i])) {
      if (exp < 1000000) exp = exp * 10 + (s[i] - u'0');  // far beyond any range; saturate
      ++i;
    }
    if (expNegative) exp = -exp;
  }
  if (i != n) return false;

  size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) {
    out.digits.clear();
    out.exponent = 0;
    return true;
  }
  size_t last = mantissa.find_last_not_of('0');
  out.digits = mantissa.substr(first, last - first + 1);
  out.exponent = exp - fractionDigits + static_cast<int64_t>(mantissa.size() - 1 - last);
  return true;
}

// The value of a radix number read as a 32-bit two's complement Long.
int32_t radixAsLong(const NumberText& t) {
  if (t.radixTooLong) overflow();
  return static_cast<int32_t>(static_cast<uint32_t>(t.radixValue));
}

double numberTextToDouble(const NumberText& t) {
  if (t.radix) return radixAsLong(t);
  if (t.digits.empty()) return 0.0;
  std::string s = t.digits + "e" + std::to_string(t.exponent);
  double value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Decide by the decimal magnitude: too large overflows, too small is zero.
    int64_t magnitude = t.exponent + static_cast<int64_t>(t.digits.size()) - 1;
    if (magnitude > 0) overflow();
    return 0.0;
  }
  if (ec != std::errc()) typeMismatch();
  return t.negative ? -value : value;
}

// |value| x 10^scale rounded half to even, exactly; false when it exceeds `limit`.
bool scaledMagnitude(const NumberText& t, int scale, uint64_t limit, uint64_t& out) {
  out = 0;
  const std::string& d = t.digits;
  if (d.empty()) return true;
  const int64_t size = static_cast<int64_t>(d.size());
  const int64_t intLen = size + t.exponent + scale;  // digits before the decimal point
  if (intLen > 20) return false;
  uint64_t mag = 0;
  for (int64_t i = 0; i < intLen; ++i) {
    unsigned digit = i < size ? static_cast<unsigned>(d[static_cast<size_t>(i)] - '0') : 0u;
    if (mag > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    mag = mag * 10 + digit;
  }
  if (intLen < size && intLen >= 0) {
    int firstFraction = d[static_cast<size_t>(intLen)] - '0';
    bool restNonZero = intLen + 1 < size;  // trailing zeros were stripped
    if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || (mag & 1u)))) {
      if (mag == std::numeric_limits<uint64_t>::max()) return false;
      ++mag;
    }
  }
  // intLen < 0: the value is below 0.1 and rounds to 0.
  if (mag > limit) return false;
  out = mag;
  return true;
}

// A whole number of text within [min, max]; `radixBits` is the width a &H/&O text fills.
int64_t numberTextToWhole(const NumberText& t, int64_t min, int64_t max, int radixBits) {
  if (t.radix) {
    if (t.radixTooLong) overflow();
    uint64_t v = t.radixValue;
    if (radixBits == 8) {
      if (v > 0xFF) overflow();
      return static_cast<int64_t>(v);
    }
    if (radixBits == 16) {
      if (v > 0xFFFF) overflow();
      return static_cast<int16_t>(static_cast<uint16_t>(v));
    }
    int64_t l = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (l < min || l > max) overflow();
    return l;
  }
  uint64_t limit = t.negative ? static_cast<uint64_t>(-min) : static_cast<uint64_t>(max);
  uint64_t mag = 0;
  if (!scaledMagnitude(t, 0, limit, mag)) overflow();
  if (mag == 0) return 0;
  return t.negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
}

// ---------------------------------------------------------------------------------------
// Whole-number conversions

int64_t doubleToWhole(double d, int64_t min, int64_t max) {
  if (!std::isfinite(d)) overflow();
  double r = roundHalfEven(d);
  if (r < static_cast<double>(min) || r > static_cast<double>(max)) overflow();
  return static_cast<int64_t>(r);
}

// Currency (scaled by 10,000) to a whole number, halves to even.
int64_t currencyToWhole(int64_t scaled) {
  int64_t q = scaled / 10000;
  int64_t rem = scaled % 10000;  // same sign as scaled
  int64_t absRem = rem < 0 ? -rem : rem;
  if (absRem > 5000 || (absRem == 5000 && (q & 1))) q += rem < 0 ? -1 : 1;
  return q;
}

int64_t toWhole(const Variant& in, int64_t min, int64_t max, int radixBits) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  int64_t result = 0;
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      invalidUseOfNull();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
      result = v.rawInteger();
      break;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return doubleToWhole(v.rawDouble(), min, max);
    case VarType::Currency:
      result = currencyToWhole(v.rawInteger());
      break;
    case VarType::String: {
      NumberText t;
      if (!parseNumber(v.rawString(), t)) typeMismatch();
      return numberTextToWhole(t, min, max, radixBits);
    }
    default:
      typeMismatch();
  }
  if (result < min || result > max) overflow();
  return result;
}

// ---------------------------------------------------------------------------------------
// Dates

// Days since 1970-01-01 of a proleptic Gregorian date (valid for any year).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

constexpr int64_t kSerialEpoch = -25569;  // 1899-12-30 in days since 1970-01-01
// Dates run from 100-01-01 to 9999-12-31.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.0;

bool dateInRange(double d) { return d > kMinDate - 1.0 && d < kMaxDate + 1.0; }

double checkedDate(double d) {
  if (!std::isfinite(d) || !dateInRange(d)) overflow();
  return d;
}

unsigned daysInMonth(int64_t y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return days[m - 1];
}

// Serial of a calendar day plus a time of day: before 1899-12-30 the time counts away from
// zero, as automation dates do (-1.25 is 1899-12-29 06:00).
double makeDate(int64_t serialDay, int seconds) {
  double t = seconds / 86400.0;
  return serialDay >= 0 ? static_cast<double>(serialDay) + t : static_cast<double>(serialDay) - t;
}

// Reads up to `maxLen` digits (at least `minLen`) at `i`.
bool readDigits(StringView s, size_t& i, size_t minLen, size_t maxLen, int& value) {
  size_t start = i;
  value = 0;
  while (i < s.size() && i - start < maxLen && isDigit(s[i])) value = value * 10 + (s[i++] - u'0');
  return i - start >= minLen;
}

// hh:mm[:ss] at `i`.
bool parseTime(StringView s, size_t& i, int& seconds) {
  int h, m, sec = 0;
  if (!readDigits(s, i, 1, 2, h)) return false;
  if (i >= s.size() || s[i] != u':') return false;
  ++i;
  if (!readDigits(s, i, 2, 2, m)) return false;
  if (i < s.size() && s[i] == u':') {
    ++i;
    if (!readDigits(s, i, 2, 2, sec)) return false;
  }
  if (h > 23 || m > 59 || sec > 59) return false;
  seconds = h * 3600 + m * 60 + sec;
  return true;
}

// yyyy-mm-dd or yyyy/m/d, optionally followed by spaces (or "T") and hh:mm[:ss]; or a time alone.
bool parseDateText(StringView text, double& out) {
  StringView s = trimBlanks(text);
  size_t i = 0;
  int seconds = 0;
  if (parseTime(s, i, seconds) && i == s.size()) {
    out = makeDate(0, seconds);
    return true;
  }
  i = 0;
  int y, m, d;
  if (!readDigits(s, i, 4, 4, y)) return false;
  if (i >= s.size() || (s[i] != u'-' && s[i] != u'/')) return false;
  char16_t sep = s[i++];
  if (!readDigits(s, i, 1, 2, m)) return false;
  if (i >= s.size() || s[i] != sep) return false;
  ++i;
  if (!readDigits(s, i, 1, 2, d)) return false;
  if (y < 100 || m < 1 || m > 12 || d < 1 || static_cast<unsigned>(d) > daysInMonth(y, static_cast<unsigned>(m)))
    return false;
  seconds = 0;
  if (i < s.size()) {
    if (s[i] == u'T' || s[i] == u't') {
      ++i;
    } else {
      size_t before = i;
      while (i < s.size() && isBlank(s[i])) ++i;
      if (i == before) return false;
    }
    if (!parseTime(s, i, seconds) || i != s.size()) return false;
  }
  int64_t serial = daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) - kSerialEpoch;
  out = makeDate(serial, seconds);
  return true;
}

void appendPadded(String& out, int64_t value, int width) {
  std::string s = std::to_string(value);
  for (int k = static_cast<int>(s.size()); k < width; ++k) out.push_back(u'0');
  out.append(s.begin(), s.end());
}

// yyyy-mm-dd, hh:mm:ss, or both: the date alone when the time is midnight, the time alone on
// day 0 (1899-12-30).
String formatDate(double value) {
  if (!std::isfinite(value) || !dateInRange(value)) raiseError(err::InvalidProcedureCall);
  double dayPart = std::trunc(value);
  int64_t day = static_cast<int64_t>(dayPart);
  int64_t seconds = static_cast<int64_t>(std::llround(std::fabs(value - dayPart) * 86400.0));
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;  // the next calendar day, on either side of day 0
  }
  String out;
  if (day != 0) {
    int64_t y;
    unsigned m, d;
    civilFromDays(day + kSerialEpoch, y, m, d);
    appendPadded(out, y, 4);
    out.push_back(u'-');
    appendPadded(out, m, 2);
    out.push_back(u'-');
    appendPadded(out, d, 2);
    if (seconds == 0) return out;
    out.push_back(u' ');
  }
  appendPadded(out, seconds / 3600, 2);
  out.push_back(u':');
  appendPadded(out, seconds / 60 % 60, 2);
  out.push_back(u':');
  appendPadded(out, seconds % 60, 2);
  return out;
}

// ---------------------------------------------------------------------------------------
// Currency

String formatCurrency(int64_t scaled) {
  uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string s = scaled < 0 ? "-" : "";
  s += std::to_string(mag / 10000);
  unsigned frac = static_cast<unsigned>(mag % 10000);
  if (frac) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    f.erase(f.find_last_not_of('0') + 1);
    s += "." + f;
  }
  return String(s.begin(), s.end());
}

constexpr double kTwoPow63 = 9223372036854775808.0;

int64_t doubleToCurrency(double d) {
  if (!std::isfinite(d)) overflow();
  double r = roundHalfEven(d * 10000.0);
  if (r >= kTwoPow63 || r < -kTwoPow63) overflow();
  return static_cast<int64_t>(r);
}

}  // namespace

// ---------------------------------------------------------------------------------------

Variant valueOf(const Variant& v) {
  Variant holder;
  const Variant& r = resolve(v, holder);
  if (&r == &holder) return holder;
  return r;
}

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double f = std::floor(value);
  double diff = value - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1.0;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

String formatDouble(double value, int significantDigits) {
  if (std::isnan(value)) return u"-1.#IND";
  if (std::isinf(value)) return value < 0 ? u"-1.#INF" : u"1.#INF";
  if (value == 0.0) return u"0";  // also -0
  significantDigits = std::clamp(significantDigits, 1, 17);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significantDigits - 1);
  std::string sci(buf, res.ptr);  // [-]d[.ddd]e(+|-)xx
  bool negative = sci[0] == '-';
  if (negative) sci.erase(0, 1);
  size_t e = sci.find('e');
  int exponent = std::stoi(sci.substr(e + 1));
  std::string digits;
  for (size_t k = 0; k < e; ++k)
    if (sci[k] != '.') digits.push_back(sci[k]);
  digits.erase(digits.find_last_not_of('0') + 1);
  if (digits.empty()) digits = "0";

  std::string out = negative ? "-" : "";
  if (exponent < -4 || exponent >= significantDigits) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += exponent < 0 ? "E-" : "E+";
    std::string ex = std::to_string(exponent < 0 ? -exponent : exponent);
    if (ex.size() < 2) ex.insert(0, 1, '0');
    out += ex;
  } else if (exponent < 0) {
    out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  } else {
    size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  return String(out.begin(), out.end());
}

String CStr(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  switch (v.type()) {
    case VarType::Empty:
      return String();
    case VarType::Null:
      invalidUseOfNull();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
      return toString(v.rawInteger());
    case VarType::Boolean:
      return v.rawBool() ? u"True" : u"False";
    case VarType::Single:
      return formatDouble(v.rawDouble(), 7);
    case VarType::Double:
      return formatDouble(v.rawDouble(), 15);
    case VarType::Currency:
      return formatCurrency(v.rawInteger());
    case VarType::Date:
      return formatDate(v.rawDouble());
    case VarType::String:
      return v.rawString();
    case VarType::Error:
      // An omitted argument reads as the runtime's "Error 448"; other error values show their code.
      return u"Error " + toString(v.isMissing() ? 448 : v.rawInteger());
    default:
      typeMismatch();
  }
}

int32_t CLng(const Variant& v) {
  return static_cast<int32_t>(toWhole(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 32));
}

int16_t CInt(const Variant& v) {
  return static_cast<int16_t>(toWhole(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), 16));
}

uint8_t CByte(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  // True is the bit pattern -1, whose low byte is 255.
  if (!v.isArray() && v.type() == VarType::Boolean) return v.rawBool() ? 255 : 0;
  return static_cast<uint8_t>(toWhole(v, 0, 255, 8));
}

bool CBool(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  switch (v.type()) {
    case VarType::Empty:
      return false;
    case VarType::Null:
      invalidUseOfNull();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
    case VarType::Currency:
      return v.rawInteger() != 0;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return v.rawDouble() != 0.0;
    case VarType::String: {
      StringView s = trimBlanks(v.rawString());
      if (equalsNoCase(s, u"True")) return true;
      if (equalsNoCase(s, u"False")) return false;
      NumberText t;
      if (!parseNumber(s, t)) typeMismatch();
      return t.radix ? t.radixValue != 0 : !t.digits.empty();
    }
    default:
      typeMismatch();
  }
}

double CDbl(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  switch (v.type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Null:
      invalidUseOfNull();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
      return static_cast<double>(v.rawInteger());
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return v.rawDouble();
    case VarType::Currency:
      return static_cast<double>(v.rawInteger()) / 10000.0;
    case VarType::String: {
      NumberText t;
      if (!parseNumber(v.rawString(), t)) typeMismatch();
      return numberTextToDouble(t);
    }
    default:
      typeMismatch();
  }
}

float CSng(const Variant& v) {
  double d = CDbl(v);
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(FLT_MAX)) overflow();
  return static_cast<float>(d);
}

bool dateFromText(StringView text, double& out) { return parseDateText(text, out); }

double CDate(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  switch (v.type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Null:
      invalidUseOfNull();
    case VarType::String: {
      double d;
      if (parseDateText(v.rawString(), d)) return d;
      NumberText t;
      if (!parseNumber(v.rawString(), t)) typeMismatch();
      return checkedDate(numberTextToDouble(t));
    }
    default:
      return checkedDate(CDbl(v));
  }
}

int64_t CCur(const Variant& in) {
  Variant holder;
  const Variant& v = resolve(in, holder);
  if (v.isArray()) typeMismatch();
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      invalidUseOfNull();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
      return v.rawInteger() * 10000;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return doubleToCurrency(v.rawDouble());
    case VarType::Currency:
      return v.rawInteger();
    case VarType::String: {
      NumberText t;
      if (!parseNumber(v.rawString(), t)) typeMismatch();
      if (t.radix) return static_cast<int64_t>(radixAsLong(t)) * 10000;
      uint64_t limit = t.negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
      uint64_t mag = 0;
      if (!scaledMagnitude(t, 4, limit, mag)) overflow();
      if (mag == 0) return 0;
      return t.negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
    }
    default:
      typeMismatch();
  }
}

Comparison compareVariants(const Variant& left, const Variant& right) {
  Variant ha, hb;
  const Variant& a = resolve(left, ha);
  const Variant& b = resolve(right, hb);
  if (a.isArray() || b.isArray()) typeMismatch();
  if (a.isNull() || b.isNull()) return Comparison::Null;
  if (a.type() == VarType::Error || b.type() == VarType::Error) typeMismatch();

  auto order = [](auto x, auto y) {
    return x < y ? Comparison::Less : (y < x ? Comparison::Greater : Comparison::Equal);
  };
  const bool aText = a.isString(), bText = b.isString();
  const bool aEmpty = a.isEmpty(), bEmpty = b.isEmpty();
  if (aText || bText) {
    if (aText && bText) return order(a.rawString(), b.rawString());
    // Empty reads as "" against a text; any number is less than a text.
    if (aEmpty) return order(String(), b.rawString());
    if (bEmpty) return order(a.rawString(), String());
    return aText ? Comparison::Greater : Comparison::Less;
  }
  // Both numbers (Empty as 0). Exact types compare as Currency-scaled integers.
  auto exact = [](const Variant& v, int64_t& out) {
    switch (v.type()) {
      case VarType::Empty: out = 0; return true;
      case VarType::Integer:
      case VarType::Long:
      case VarType::Byte:
      case VarType::Boolean: out = v.rawInteger() * 10000; return true;
      case VarType::Currency: out = v.rawInteger(); return true;
      default: return false;
    }
  };
  int64_t x, y;
  if (exact(a, x) && exact(b, y)) return order(x, y);
  double dx = CDbl(a), dy = CDbl(b);
  if (std::isnan(dx) || std::isnan(dy)) return Comparison::Null;
  return order(dx, dy);
}

}  // namespace lv8int
