#include "platform/helpers/Helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "platform/automation/Dispatch.h"
#include "platform/codepage/AnsiCodePage.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"

namespace lv8int {
namespace {

using test::errorOf;

TEST(HelpersFormat, SubstitutesLeftToRightWithoutRescanning) {
  EXPECT_EQ(helpers::format(u"select content from %s where ID=%d", {Variant(u"pictures"), Variant(int32_t(42))}),
            u"select content from pictures where ID=42");
  // Substituted text is not scanned again: a "%s" inside an argument stays.
  EXPECT_EQ(helpers::format(u"hint[@name='%s']", {Variant(u"a%sb%d")}), u"hint[@name='a%sb%d']");
  EXPECT_EQ(helpers::format(u"100%% of %s", {Variant(u"x")}), u"100% of x");
  // Placeholders without an argument stay; extra arguments are ignored.
  EXPECT_EQ(helpers::format(u"%s-%s", {Variant(u"a")}), u"a-%s");
  EXPECT_EQ(helpers::format(u"plain", {Variant(u"a")}), u"plain");
  EXPECT_EQ(helpers::format(u"ends with %", {}), u"ends with %");
}

TEST(HelpersFormat, DecimalPlaceholderConvertsAsLong) {
  EXPECT_EQ(helpers::format(u"%d|%d|%d", {Variant(2.5), Variant(3.5), Variant(u"-7")}), u"2|4|-7");
  EXPECT_EQ(errorOf([] { helpers::format(u"%d", {Variant(u"abc")}); }), err::TypeMismatch);
}

TEST(HelpersFormatNumber, UpperCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(helpers::formatNumber(255, u"&H"), u"&HFF");
  EXPECT_EQ(helpers::formatNumber(0, u"&H"), u"&H0");
  EXPECT_EQ(helpers::formatNumber(0x1000A, u"&H"), u"&H1000A");
  EXPECT_EQ(helpers::formatNumber(-1, u"&H"), u"&HFFFFFFFF");
  EXPECT_EQ(helpers::formatNumber(INT32_MIN, u"&H"), u"&H80000000");
  // As a Variant: a negative Integer keeps its 16 bits, a Long its 32, a text goes through CLng.
  EXPECT_EQ(helpers::formatNumber(Variant(int16_t(-1)), u"&H"), u"&HFFFF");
  EXPECT_EQ(helpers::formatNumber(Variant(int32_t(-2)), u"&H"), u"&HFFFFFFFE");
  EXPECT_EQ(helpers::formatNumber(Variant::byte(10), u""), u"A");
  EXPECT_EQ(helpers::formatNumber(Variant(u"4096"), u"&H"), u"&H1000");
  EXPECT_EQ(errorOf([] { helpers::formatNumber(Variant(u"x"), u"&H"); }), err::TypeMismatch);
}

TEST(HelpersBytes, FirstExtractorIsTheLowByte) {
  codepage::setActiveCodePage(936);
  int16_t code = codepage::charCode(u'中');  // 0xD6D0 in code page 936, lead byte high
  codepage::setActiveCodePage(0);
  EXPECT_EQ(helpers::firstByte(code), 0xD0);
  EXPECT_EQ(helpers::secondByte(code), 0xD6);
  EXPECT_EQ(helpers::firstByte(int16_t(0x41)), 0x41);
  EXPECT_EQ(helpers::secondByte(int16_t(0x41)), 0);
  EXPECT_EQ(helpers::secondByte(int16_t(-1)), 0xFF);
}

TEST(HelpersElementCount, CountsTheFirstDimension) {
  EXPECT_EQ(helpers::elementCount(Variant::byteArray({1, 2, 3})), 3);
  EXPECT_EQ(helpers::elementCount(Variant::byteArray({})), 0);
  EXPECT_EQ(helpers::elementCount(Variant::array(SafeArray(VarType::Variant, 1, 5))), 5);
  EXPECT_EQ(helpers::elementCount(Variant::array(SafeArray(VarType::Variant, {{0, 2}, {0, 9}}))), 3);
  Variant arr = Variant::byteArray({7, 8});
  EXPECT_EQ(helpers::elementCount(Variant::byRef(arr)), 2);
  EXPECT_EQ(errorOf([] { helpers::elementCount(Variant(int32_t(3))); }), err::TypeMismatch);
}

class ItemRaisesUnlessKnown : public Object {
 public:
  Variant Item(String key) {
    if (key != u"known") raiseError(err::InvalidProcedureCall);
    return Variant(int32_t(1));
  }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table =
        DispatchBuilder<ItemRaisesUnlessKnown>(u"Custom").method(u"Item", &ItemRaisesUnlessKnown::Item).build();
    return &table;
  }
};

TEST(HelpersKeyExists, CollectionKeysWithoutRegardToCase) {
  auto c = make<Collection>();
  c->Add(Variant(int32_t(1)), Variant(u"Alpha"));
  c->Add(Variant(int32_t(2)));
  EXPECT_TRUE(helpers::keyExists(c, u"ALPHA"));
  EXPECT_FALSE(helpers::keyExists(c, u"Beta"));
  EXPECT_FALSE(helpers::keyExists(c, u""));
  // Another collection object answers through its Item member.
  auto custom = make<ItemRaisesUnlessKnown>();
  EXPECT_TRUE(helpers::keyExists(custom, u"known"));
  EXPECT_FALSE(helpers::keyExists(custom, u"other"));
  EXPECT_EQ(errorOf([] { helpers::keyExists(Ref<Object>(), u"x"); }), err::ObjectNotSet);
}

TEST(HelpersComputerName, HostNameOrOverride) {
  test::EnvironmentScope unset("LV8INT_COMPUTERNAME", nullptr);
  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, sizeof host - 1);
  std::string expected(host);
  expected = expected.substr(0, expected.find('.'));
  EXPECT_EQ(toUtf8(helpers::computerName()), expected);
  test::EnvironmentScope set("LV8INT_COMPUTERNAME", "ACCOUNTS-01");
  EXPECT_EQ(helpers::computerName(), u"ACCOUNTS-01");
}

TEST(HelpersLeftOfZero, CutsAtTheFirstZero) {
  EXPECT_EQ(helpers::leftOfZero(StringView(u"abc\0def", 7)), u"abc");
  EXPECT_EQ(helpers::leftOfZero(u"abc"), u"abc");
}

}  // namespace
}  // namespace lv8int
