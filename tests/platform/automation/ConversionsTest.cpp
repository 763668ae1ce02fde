#include "platform/automation/Conversions.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "AutomationTestUtil.h"
#include "platform/automation/Dispatch.h"

namespace lv8int {
namespace {

using test::errorOf;
using test::expectStandardError;

std::string u8(const String& s) { return toUtf8(s); }

// An object whose default member returns what it was given.
class Boxed : public Object {
 public:
  explicit Boxed(Variant v) : value_(std::move(v)) {}
  Variant Value() const { return value_; }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table =
        DispatchBuilder<Boxed>(u"Boxed").get(u"Value", &Boxed::Value, {.id = DISPID_VALUE}).build();
    return &table;
  }

 private:
  Variant value_;
};

// An object without a default member.
class Plain : public Object {
 public:
  int32_t Size() const { return 3; }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Plain>(u"Plain").get(u"Size", &Plain::Size).build();
    return &table;
  }
};

TEST(Conversions, WholeNumbersRoundHalvesToEven) {
  EXPECT_EQ(CLng(2.5), 2);
  EXPECT_EQ(CLng(3.5), 4);
  EXPECT_EQ(CLng(-2.5), -2);
  EXPECT_EQ(CLng(-3.5), -4);
  EXPECT_EQ(CLng(2.5000001), 3);
  EXPECT_EQ(CInt(0.5), 0);
  EXPECT_EQ(CInt(1.5), 2);
  EXPECT_EQ(CInt(-32768.5), -32768);  // rounds to the even neighbour, which fits
  EXPECT_EQ(CByte(254.5), 254);
  EXPECT_EQ(CByte(-0.5), 0);
  // Texts and Currency follow the same rule, exactly.
  EXPECT_EQ(CLng(u"2.5"), 2);
  EXPECT_EQ(CLng(u"-3.5"), -4);
  EXPECT_EQ(CLng(u"2.50000000000000000001"), 3);
  EXPECT_EQ(CLng(Variant::currency(25000)), 2);
  EXPECT_EQ(CLng(Variant::currency(35000)), 4);
  EXPECT_EQ(CLng(Variant::currency(-25000)), -2);
  EXPECT_EQ(CLng(Variant::currency(25001)), 3);
  // Dates are days.
  EXPECT_EQ(CLng(Variant::date(45351.5)), 45352);
}

TEST(Conversions, RoundHalfEven) {
  EXPECT_EQ(roundHalfEven(0.5), 0.0);
  EXPECT_EQ(roundHalfEven(1.5), 2.0);
  EXPECT_EQ(roundHalfEven(-1.5), -2.0);
  EXPECT_EQ(roundHalfEven(-0.49999999999999994), 0.0);
  EXPECT_EQ(roundHalfEven(0.49999999999999994), 0.0);
  EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497.0);
  EXPECT_EQ(roundHalfEven(1e300), 1e300);
}

TEST(Conversions, OutOfRangeRaisesOverflow) {
  expectStandardError(err::Overflow, [] { CInt(32767.5); });
  expectStandardError(err::Overflow, [] { CLng(u"2147483648"); });
  EXPECT_EQ(CLng(u"-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(CLng(2147483647.4), 2147483647);
  EXPECT_EQ(errorOf([] { CLng(u"-2147483649"); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CLng(2147483647.5); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CLng(1e300); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CLng(std::numeric_limits<double>::quiet_NaN()); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CInt(Variant(int32_t{40000})); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CInt(Variant::currency(327675000)); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CByte(Variant(int16_t{-1})); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CByte(255.5); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CByte(u"256"); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CSng(1e39); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CDbl(u"1e400"); }), err::Overflow);
  EXPECT_EQ(CDbl(u"1e-400"), 0.0);
  EXPECT_EQ(errorOf([] { CCur(1e15); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CDate(3e6); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CDate(u"3000000"); }), err::Overflow);
}

TEST(Conversions, NumberTexts) {
  EXPECT_EQ(CLng(u"  42 "), 42);
  EXPECT_EQ(CLng(u"\t+7"), 7);
  EXPECT_EQ(CLng(u"-0"), 0);
  EXPECT_EQ(CLng(u"1.5e3"), 1500);
  EXPECT_EQ(CLng(u"15E-1"), 2);
  EXPECT_EQ(CLng(u".5"), 0);
  EXPECT_EQ(CDbl(u"1."), 1.0);
  EXPECT_EQ(CDbl(u"0.1"), 0.1);
  EXPECT_EQ(CDbl(u"-1.25D2"), -125.0);
  EXPECT_EQ(CSng(u"0.1"), 0.1f);
  // &H and &O fill the bit pattern of the target type.
  EXPECT_EQ(CLng(u"&HFF"), 255);
  EXPECT_EQ(CLng(u"&hff"), 255);
  EXPECT_EQ(CLng(u"&O17"), 15);
  EXPECT_EQ(CInt(u"&HFFFF"), -1);
  EXPECT_EQ(CInt(u"&H8000"), -32768);
  EXPECT_EQ(CLng(u"&HFFFF"), 65535);
  EXPECT_EQ(CLng(u"&HFFFFFFFF"), -1);
  EXPECT_EQ(CDbl(u"&H10"), 16.0);
  EXPECT_EQ(CByte(u"&HFF"), 255);
  EXPECT_EQ(errorOf([] { CInt(u"&H10000"); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CLng(u"&H100000000"); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CByte(u"&H100"); }), err::Overflow);
  // Anything else is no number.
  expectStandardError(err::TypeMismatch, [] { CLng(u"12abc"); });
  for (const char16_t* bad : {u"", u"   ", u"-", u".", u"1e", u"1e+", u"1,000", u"&H", u"&HG", u"&O8", u"1 2",
                              u"- 1", u"True", u"0x10", u"１２"}) {
    EXPECT_EQ(errorOf([&] { CLng(bad); }), err::TypeMismatch) << u8(bad);
    EXPECT_EQ(errorOf([&] { CDbl(bad); }), err::TypeMismatch) << u8(bad);
  }
}

TEST(Conversions, NullRaisesAndEmptyIsZero) {
  const Variant null = Variant::null();
  expectStandardError(err::InvalidUseOfNull, [&] { CStr(null); });
  EXPECT_EQ(errorOf([&] { CLng(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CInt(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CBool(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CDbl(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CDate(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CCur(null); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { CByte(null); }), err::InvalidUseOfNull);
  const Variant empty;
  EXPECT_EQ(CStr(empty), u"");
  EXPECT_EQ(CLng(empty), 0);
  EXPECT_FALSE(CBool(empty));
  EXPECT_EQ(CDbl(empty), 0.0);
  EXPECT_EQ(CCur(empty), 0);
  EXPECT_EQ(CDate(empty), 0.0);
}

TEST(Conversions, BooleanFromTextAndNumbers) {
  EXPECT_TRUE(CBool(u"tRuE"));
  EXPECT_FALSE(CBool(u"FALSE"));
  EXPECT_TRUE(CBool(u" True "));
  EXPECT_FALSE(CBool(u"0"));
  EXPECT_TRUE(CBool(u"-1"));
  EXPECT_TRUE(CBool(u"2.5"));
  EXPECT_FALSE(CBool(u"0.000"));
  EXPECT_TRUE(CBool(u"&H1"));
  expectStandardError(err::TypeMismatch, [] { CBool(u"abc"); });
  EXPECT_EQ(errorOf([] { CBool(u""); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([] { CBool(u"yes"); }), err::TypeMismatch);
  EXPECT_TRUE(CBool(0.4));  // any non-zero value, not its rounding
  EXPECT_FALSE(CBool(Variant(int32_t{0})));
  EXPECT_TRUE(CBool(Variant::currency(1)));
  // True is -1 in every number type; its byte is 255.
  EXPECT_EQ(CLng(true), -1);
  EXPECT_EQ(CInt(false), 0);
  EXPECT_EQ(CDbl(true), -1.0);
  EXPECT_EQ(CCur(true), -10000);
  EXPECT_EQ(CByte(true), 255);
}

TEST(Conversions, TextOfValues) {
  EXPECT_EQ(CStr(true), u"True");
  EXPECT_EQ(CStr(false), u"False");
  EXPECT_EQ(CStr(Variant(int16_t{-5})), u"-5");
  EXPECT_EQ(CStr(Variant(int32_t{2147483647})), u"2147483647");
  EXPECT_EQ(CStr(Variant::byte(255)), u"255");
  // Double: 15 significant digits, exponent form below 1E-4 and from 1E+15.
  EXPECT_EQ(CStr(0.1), u"0.1");
  EXPECT_EQ(CStr(1e20), u"1E+20");
  EXPECT_EQ(CStr(1.5e-5), u"1.5E-05");
  EXPECT_EQ(CStr(0.0001), u"0.0001");
  EXPECT_EQ(CStr(-2.5e-300), u"-2.5E-300");
  EXPECT_EQ(CStr(100.0), u"100");
  EXPECT_EQ(CStr(-0.0), u"0");
  EXPECT_EQ(CStr(1.0 / 3.0), u"0.333333333333333");
  EXPECT_EQ(CStr(0.1 + 0.2), u"0.3");
  EXPECT_EQ(CStr(123456789012345.0), u"123456789012345");
  EXPECT_EQ(CStr(1234567890123456.0), u"1.23456789012346E+15");
  EXPECT_EQ(CStr(999999999999999.9), u"1E+15");
  // Single: 7 significant digits.
  EXPECT_EQ(CStr(0.1f), u"0.1");
  EXPECT_EQ(CStr(16777216.0f), u"1.677722E+07");
  // Currency: up to 4 decimals, no trailing zeros.
  EXPECT_EQ(CStr(Variant::currency(15000)), u"1.5");
  EXPECT_EQ(CStr(Variant::currency(1)), u"0.0001");
  EXPECT_EQ(CStr(Variant::currency(-5000)), u"-0.5");
  EXPECT_EQ(CStr(Variant::currency(1000000)), u"100");
  EXPECT_EQ(CStr(Variant::currency(std::numeric_limits<int64_t>::min())), u"-922337203685477.5808");
  EXPECT_EQ(CStr(Variant::error(5)), u"Error 5");
  EXPECT_EQ(CStr(Variant::missing()), u"Error 448");
  EXPECT_EQ(errorOf([] { CStr(Variant::byteArray({1, 2})); }), err::TypeMismatch);
  // Text survives the round trip through a number.
  for (double d : {0.1, 1.0 / 3.0, 1e20, 1.5e-5, -123.456, 6.02214076e23})
    EXPECT_EQ(CStr(CDbl(CStr(d))), CStr(d));
}

TEST(Conversions, Dates) {
  EXPECT_EQ(CDate(u"2024-02-29"), 45351.0);
  EXPECT_EQ(CDate(u"2024/2/29"), 45351.0);
  EXPECT_EQ(CDate(u"1900-01-01"), 2.0);
  EXPECT_EQ(CDate(u" 1899-12-30 "), 0.0);
  EXPECT_DOUBLE_EQ(CDate(u"2024-02-29 13:30"), 45351.0 + 13.5 / 24.0);
  EXPECT_DOUBLE_EQ(CDate(u"2024-02-29T06:00:00"), 45351.25);
  EXPECT_DOUBLE_EQ(CDate(u"12:30"), 12.5 / 24.0);
  // Before 1899-12-30 the time of day counts away from zero.
  EXPECT_DOUBLE_EQ(CDate(u"1899-12-29 06:00"), -1.25);
  EXPECT_EQ(CDate(u"0100-01-01"), -657434.0);
  EXPECT_EQ(CDate(u"9999-12-31"), 2958465.0);
  // A number, or the text of one, is days.
  EXPECT_EQ(CDate(u"45351.5"), 45351.5);
  EXPECT_EQ(CDate(Variant(int32_t{45351})), 45351.0);
  for (const char16_t* bad : {u"2023-02-29", u"2024-13-01", u"2024-00-10", u"2024-01-32", u"2024-01-01 24:00",
                              u"2024-01-01 12:60", u"2024-01/01", u"24-01-01", u"2024-01-01 12", u"2024-01-0112:00",
                              u"0099-12-31", u"10000-01-01", u"yesterday"})
    EXPECT_EQ(errorOf([&] { CDate(bad); }), err::TypeMismatch) << u8(bad);

  // Text of a Date: the date alone at midnight, the time alone on day 0.
  EXPECT_EQ(CStr(Variant::date(45351.0)), u"2024-02-29");
  EXPECT_EQ(CStr(Variant::date(45351.0 + 13.5 / 24.0)), u"2024-02-29 13:30:00");
  EXPECT_EQ(CStr(Variant::date(0.0)), u"00:00:00");
  EXPECT_EQ(CStr(Variant::date(0.75)), u"18:00:00");
  EXPECT_EQ(CStr(Variant::date(-1.25)), u"1899-12-29 06:00:00");
  EXPECT_EQ(CStr(Variant::date(-657434.0)), u"0100-01-01");
  // Shown to the second: 23:59:59.6 is the next midnight.
  EXPECT_EQ(CStr(Variant::date(45351.0 + 86399.6 / 86400.0)), u"2024-03-01");
  for (const char16_t* text : {u"2024-02-29 13:30:15", u"1899-12-29 06:00:00", u"2000-01-01", u"07:08:09"})
    EXPECT_EQ(CStr(Variant::date(CDate(text))), text);
}

TEST(Conversions, Currency) {
  EXPECT_EQ(CCur(2.5), 25000);
  EXPECT_EQ(CCur(0.1), 1000);
  EXPECT_EQ(CCur(Variant(int32_t{-7})), -70000);
  EXPECT_EQ(CCur(u"1.00005"), 10000);   // the fifth decimal halves to even
  EXPECT_EQ(CCur(u"1.00015"), 10002);
  EXPECT_EQ(CCur(u"1.000051"), 10001);
  EXPECT_EQ(CCur(u"-0.00015"), -2);
  EXPECT_EQ(CCur(u"0.00005"), 0);
  EXPECT_EQ(CCur(u"922337203685477.5807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(CCur(u"-922337203685477.5808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(errorOf([] { CCur(u"922337203685477.5808"); }), err::Overflow);
  EXPECT_EQ(errorOf([] { CCur(u"922337203685477.58075"); }), err::Overflow);
  EXPECT_EQ(CCur(u"922337203685477.58065"), std::numeric_limits<int64_t>::max() - 1);
  EXPECT_EQ(CCur(u"&HFFFFFFFF"), -10000);
  EXPECT_EQ(CDbl(Variant::currency(12345)), 1.2345);
}

TEST(Conversions, ObjectsConvertThroughTheirDefaultMember) {
  EXPECT_EQ(CLng(Variant(make<Boxed>(Variant(2.5)))), 2);
  EXPECT_EQ(CStr(Variant(make<Boxed>(Variant(u"text")))), u"text");
  // A default member that returns an object is followed.
  EXPECT_EQ(CLng(Variant(make<Boxed>(Variant(make<Boxed>(Variant(u"7")))))), 7);
  EXPECT_EQ(errorOf([] { CLng(Variant(make<Boxed>(Variant::null()))); }), err::InvalidUseOfNull);
  expectStandardError(err::MemberNotSupported, [] { CStr(Variant(make<Plain>())); });
  expectStandardError(err::ObjectNotSet, [] { CLng(Variant::nothing()); });
  Variant boxed = make<Boxed>(Variant(int32_t{1}));
  EXPECT_EQ(valueOf(boxed).type(), VarType::Long);
  EXPECT_EQ(compareVariants(boxed, Variant(true)), Comparison::Greater);
}

TEST(Conversions, ByReferenceArgumentsConvertTheirTarget) {
  Variant target(3.5);
  Variant ref = Variant::byRef(target);
  EXPECT_EQ(CLng(ref), 4);
  target = Variant(u"abc");
  EXPECT_EQ(CStr(ref), u"abc");
  EXPECT_EQ(errorOf([&] { CLng(ref); }), err::TypeMismatch);
  EXPECT_TRUE(valueOf(ref).sameAs(Variant(u"abc")));
  EXPECT_FALSE(valueOf(ref).isByRef());
}

TEST(Conversions, CompareVariants) {
  // False = 0 and True = -1 across number types.
  EXPECT_EQ(compareVariants(Variant(false), Variant(int16_t{0})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(int32_t{0}), Variant(false)), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(true), Variant(int32_t{-1})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(true), Variant(false)), Comparison::Less);
  EXPECT_EQ(compareVariants(Variant::byte(255), Variant(int16_t{255})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant::currency(15000), Variant(1.5)), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant::currency(10000), Variant(int32_t{1})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant::date(1.0), Variant(int32_t{1})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(0.1f), Variant(0.1)), Comparison::Greater);  // Single widened
  // Empty is 0 against numbers and "" against texts.
  EXPECT_EQ(compareVariants(Variant(), Variant(int32_t{0})), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(), Variant(false)), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(), Variant(u"")), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(u"a"), Variant()), Comparison::Greater);
  EXPECT_EQ(compareVariants(Variant(), Variant()), Comparison::Equal);
  EXPECT_EQ(compareVariants(Variant(), Variant(int32_t{1})), Comparison::Less);
  // Null on either side.
  EXPECT_EQ(compareVariants(Variant::null(), Variant(int32_t{0})), Comparison::Null);
  EXPECT_EQ(compareVariants(Variant(u"x"), Variant::null()), Comparison::Null);
  EXPECT_EQ(compareVariants(Variant::null(), Variant::null()), Comparison::Null);
  // Texts compare binary; a number is below any text.
  EXPECT_EQ(compareVariants(Variant(u"B"), Variant(u"a")), Comparison::Less);
  EXPECT_EQ(compareVariants(Variant(u"abc"), Variant(u"ab")), Comparison::Greater);
  EXPECT_EQ(compareVariants(Variant(int32_t{1}), Variant(u"1")), Comparison::Less);
  EXPECT_EQ(compareVariants(Variant(u"0"), Variant(int32_t{99})), Comparison::Greater);
  EXPECT_EQ(compareVariants(Variant(true), Variant(u"True")), Comparison::Less);
  EXPECT_EQ(errorOf([] { compareVariants(Variant::error(5), Variant(int32_t{5})); }), err::TypeMismatch);
}

}  // namespace
}  // namespace lv8int
