#include "resources/GBackEnd.h"

#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "support/RaisedError.h"

namespace lv8int {
namespace {

using test::errorOf;

Variant arrayOf(VarType type, std::vector<Variant> items, int32_t lower = 0) {
  Variant v = Variant::array(SafeArray(type, lower, lower + static_cast<int32_t>(items.size()) - 1));
  for (size_t i = 0; i < items.size(); ++i) v.arrayData()->at(lower + static_cast<int32_t>(i)) = items[i];
  return v;
}

// An array that was never given bounds (a dynamic array before its first ReDim).
Variant unallocated() { return Variant::array(SafeArray(VarType::Variant, std::vector<ArrayBound>{})); }

TEST(GBackEndIStr, SectorsCarryTheirKindAndLength) {
  auto be = make<GBackEnd>();
  EXPECT_EQ(be->IStr(u"abc"), u"S3,abc");
  EXPECT_EQ(be->IStr(u"abc", eistpFormat), u"F3,abc");
  EXPECT_EQ(be->IStr(u""), u"S0,");
  EXPECT_EQ(be->IStr(u"a;b,c"), u"S5,a;b,c");
  // The length counts UTF-16 units, not bytes: a reader skips exactly that many characters.
  EXPECT_EQ(be->IStr(u"凭证😀", eistpFormat), u"F4,凭证😀");
  EXPECT_EQ(be->IStr(String(12, u'x')).substr(0, 4), u"S12,");
  EXPECT_EQ(be->IStr(u"abc", 7), u"");
  EXPECT_EQ(be->IStr(u"abc", -1), u"");
}

TEST(GBackEndIStr, ResourceSectorIsUpperCaseHex) {
  auto be = make<GBackEnd>();
  EXPECT_EQ(be->IStr(u"5", eistpResource), u"I&H5");
  EXPECT_EQ(be->IStr(u"65546", eistpResource), u"I&H1000A");
  EXPECT_EQ(be->IStr(u"255", eistpResource), u"I&HFF");
  EXPECT_EQ(be->IStr(u"-1", eistpResource), u"I&HFFFFFFFF");
  // A Long by the automation rules.
  EXPECT_EQ(be->IStr(u"2.5", eistpResource), u"I&H2");
  EXPECT_EQ(be->IStr(u"&H1F", eistpResource), u"I&H1F");
  EXPECT_EQ(errorOf([&] { be->IStr(u"abc", eistpResource); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([&] { be->IStr(u"", eistpResource); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([&] { be->IStr(u"4294967296", eistpResource); }), err::Overflow);
}

TEST(GBackEndIStrJoin, JoinsElementsAsTheyAre) {
  auto be = make<GBackEnd>();
  Variant sectors = arrayOf(VarType::String, {Variant(u"S1,a"), Variant(u"I&H5"), Variant(u"")}, 1);
  EXPECT_EQ(be->IStrJoin(sectors), u"S1,a;I&H5;");
  Variant empty = Variant::array(SafeArray(VarType::Variant, 0, -1));
  EXPECT_EQ(be->IStrJoin(empty), u"");
  Variant never = unallocated();
  EXPECT_EQ(be->IStrJoin(never), u"");
  Variant withNull = arrayOf(VarType::Variant, {Variant(u"a"), Variant::null()});
  EXPECT_EQ(errorOf([&] { be->IStrJoin(withNull); }), err::InvalidUseOfNull);
  Variant text(u"S1,a");
  EXPECT_EQ(errorOf([&] { be->IStrJoin(text); }), err::TypeMismatch);
  Variant square = Variant::array(SafeArray(VarType::String, {{0, 1}, {0, 1}}));
  EXPECT_EQ(errorOf([&] { be->IStrJoin(square); }), err::InvalidProcedureCall);
}

TEST(GBackEndIStrQuick, OneSectorPerElementInOrder) {
  auto be = make<GBackEnd>();
  Variant arg = arrayOf(VarType::Variant, {Variant(u"a;b"), Variant(int32_t(5))});
  EXPECT_EQ(be->IStrQuick(arg), u"S3,a;b;I&H5");

  // Integers, Longs and Bytes are resource numbers; a negative Integer still gives a Long's digits.
  Variant numbers = arrayOf(VarType::Variant, {Variant(int16_t(-1)), Variant::byte(255), Variant(int32_t(0x2000B))}, 3);
  EXPECT_EQ(be->IStrQuick(numbers), u"I&HFFFFFFFF;I&HFF;I&H2000B");

  // A nested array holds sectors built earlier and is joined unchanged.
  Variant nested = arrayOf(VarType::String, {Variant(u"x"), Variant(u"y")});
  Variant withNested = arrayOf(VarType::Variant, {Variant(u""), nested, Variant(u"z")});
  EXPECT_EQ(be->IStrQuick(withNested), u"S0,;x;y;S1,z");
  // A nested array of numbers is such a list too, not a resource number.
  Variant nestedNumbers = arrayOf(VarType::Long, {Variant(int32_t(1)), Variant(int32_t(2))});
  Variant withNumbers = arrayOf(VarType::Variant, {nestedNumbers});
  EXPECT_EQ(be->IStrQuick(withNumbers), u"1;2");

  Variant none = Variant::array(SafeArray(VarType::Variant, 1, 0));
  EXPECT_EQ(be->IStrQuick(none), u"");
}

TEST(GBackEndIStrQuick, ElementsOfOtherKindsAndNonArraysRaise) {
  auto be = make<GBackEnd>();
  for (const Variant& bad : {Variant(1.5), Variant(true), Variant(), Variant::null(), Variant::currency(10000)}) {
    Variant arg = arrayOf(VarType::Variant, {Variant(u"ok"), bad});
    EXPECT_EQ(errorOf([&] { be->IStrQuick(arg); }), err::TypeMismatch) << toUtf8(typeName(bad.type()));
  }
  Variant text(u"abc");
  EXPECT_EQ(errorOf([&] { be->IStrQuick(text); }), err::TypeMismatch);
  Variant never = unallocated();
  EXPECT_EQ(errorOf([&] { be->IStrQuick(never); }), err::SubscriptOutOfRange);
  // By reference, as a late-bound caller passes its variable.
  Variant arg = arrayOf(VarType::Variant, {Variant(u"a"), Variant(int32_t(16))});
  Args args{Variant::byRef(arg)};
  Ref<Object> obj = be;
  EXPECT_EQ(CStr(obj->invoke(u"istrquick", InvokeKind::Method, args)), u"S1,a;I&H10");
}

TEST(GBackEndIsOurErrNum, BitsThirtyOneToTwentyNine) {
  auto be = make<GBackEnd>();
  auto n = [](uint32_t v) { return static_cast<int32_t>(v); };
  EXPECT_TRUE(be->IsOurErrNum(n(0xA0000000u)));
  EXPECT_TRUE(be->IsOurErrNum(n(0xBFFFFFFFu)));
  EXPECT_TRUE(be->IsOurErrNum(n(0xA0040001u)));
  EXPECT_FALSE(be->IsOurErrNum(n(0x80040000u)));  // bit 29 clear: a component's own error
  EXPECT_FALSE(be->IsOurErrNum(n(0xE0000000u)));  // bit 30 set
  EXPECT_FALSE(be->IsOurErrNum(n(0x20000000u)));  // bit 31 clear
  EXPECT_FALSE(be->IsOurErrNum(n(0x9FFFFFFFu)));
  EXPECT_FALSE(be->IsOurErrNum(n(0xC0000000u)));
  EXPECT_FALSE(be->IsOurErrNum(0));
  EXPECT_FALSE(be->IsOurErrNum(-1));
}

TEST(GBackEnd, CreatableByProgIDAndUsableByName) {
  Ref<Object> obj = ComponentRegistry::instance().create(u"LV8INT.GBackEnd");
  ASSERT_TRUE(obj);
  EXPECT_EQ(CStr(obj->call(u"IStr", {Variant(u"abc")})), u"S3,abc");
  EXPECT_EQ(CStr(obj->call(u"IStr", {Variant(u"abc"), Variant(int32_t(eistpFormat))})), u"F3,abc");
  EXPECT_EQ(CStr(obj->call(u"IStr", {Variant(u"31"), Variant(u"1")})), u"I&H1F");
  EXPECT_TRUE(CBool(obj->call(u"IsOurErrNum", {Variant(u"-1610612736")})));
}

}  // namespace
}  // namespace lv8int
