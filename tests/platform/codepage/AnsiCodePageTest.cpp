#include "platform/codepage/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Scopes.h"

namespace lv8int::codepage {
namespace {

using test::CodePageScope;

// LV8INT_CODEPAGE set to `value` (unset for nullptr) for the scope.
struct EnvironmentScope : test::EnvironmentScope {
  explicit EnvironmentScope(const char* value) : test::EnvironmentScope("LV8INT_CODEPAGE", value) {}
};

TEST(AnsiCodePage, EnvironmentChoosesTheCodePage) {
  {
    EnvironmentScope env("1252");
    EXPECT_EQ(activeCodePage(), 1252);
    CodePageScope scope(65001);  // a test's choice wins over the environment
    EXPECT_EQ(activeCodePage(), 65001);
  }
  for (const char* bad : {"", "abc", "1252x", "-5", "4", "99999"}) {
    EnvironmentScope env(bad);
    EXPECT_EQ(activeCodePage(), 936) << bad;
  }
}

TEST(AnsiCodePage, DefaultsTo936AndCanBeReplaced) {
  EnvironmentScope env(nullptr);
  EXPECT_EQ(activeCodePage(), 936);
  {
    CodePageScope scope(1252);
    EXPECT_EQ(activeCodePage(), 1252);
    EXPECT_EQ(toAnsi(u"\u00e9"), "\xe9");
  }
  EXPECT_EQ(activeCodePage(), 936);
  EXPECT_EQ(toAnsi(u"\u00e9"), "\xa8\xa6");
}

TEST(AnsiCodePage, Gbk) {
  EXPECT_EQ(toAnsi(u"A\u4e2d\u6587", 936), "A\xd6\xd0\xce\xc4");
  EXPECT_EQ(fromAnsi("A\xd6\xd0\xce\xc4", 936), u"A\u4e2d\u6587");
  // Characters outside the code page become its default character.
  EXPECT_EQ(toAnsi(u"x\u0e01y\U0001F600", 936), "x?y?");
  // A lead byte without its trail byte is not a character.
  EXPECT_EQ(fromAnsi("a\xd6", 936), u"a\uFFFD");
}

TEST(AnsiCodePage, CharCodeIsSignedWithLeadByteHigh) {
  EXPECT_EQ(charCode(u'A', 936), 65);
  EXPECT_EQ(charCode(u'\u4e2d', 936), static_cast<int16_t>(0xD6D0));
  EXPECT_LT(charCode(u'\u4e2d', 936), 0);
  EXPECT_EQ(charCode(u'\u0e01', 936), '?');
  EXPECT_EQ(charCode(u'\xd800', 936), '?');  // half a surrogate pair
  // Single-byte code pages give the byte, never a negative number.
  EXPECT_EQ(charCode(u'\u20ac', 1252), 128);
  EXPECT_EQ(charCode(u'\u00ff', 1252), 255);
  EXPECT_EQ(charCode(u'\u4e2d', 1252), '?');
  // UTF-8: two-byte sequences as one value, longer ones are not expressible.
  EXPECT_EQ(charCode(u'\u00e9', 65001), static_cast<int16_t>(0xC3A9));
  EXPECT_EQ(charCode(u'\u4e2d', 65001), '?');
}

// Character codes are kept per thread for the code page in force; a change of the environment
// or of the chosen code page is seen at the next call, and characters that share a place in
// the kept table do not answer for each other.
TEST(AnsiCodePage, CharCodesFollowEachChangeOfCodePage) {
  const int16_t gbkE = static_cast<int16_t>(0xA8A6);  // é in 936
  {
    EnvironmentScope env("1252");
    EXPECT_EQ(charCode(u'\u00e9'), 0xE9);
    EXPECT_EQ(charCode(u'A'), 65);
  }
  {
    EnvironmentScope env("936");
    EXPECT_EQ(charCode(u'\u00e9'), gbkE);
    EXPECT_EQ(charCode(u'\u00e9', 1252), 0xE9) << "a code page asked for by name";
    EXPECT_EQ(charCode(u'\u00e9'), gbkE);
    CodePageScope scope(1252);
    EXPECT_EQ(charCode(u'\u00e9'), 0xE9);
  }
  EnvironmentScope env("936");
  EXPECT_EQ(charCode(u'\u00e9'), gbkE);
  // U+4E2D and U+4F2C fall on the same place of the table.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(charCode(u'\u4e2d'), static_cast<int16_t>(0xD6D0));
    EXPECT_EQ(charCode(u'\u4f2c'), static_cast<int16_t>(0x81C0));
  }
}

TEST(AnsiCodePage, OtherCodePages) {
  EXPECT_EQ(toAnsi(u"\u20ac\u00e9", 1252), "\x80\xe9");
  EXPECT_EQ(fromAnsi("\x80\xe9", 1252), u"\u20ac\u00e9");
  EXPECT_EQ(toAnsi(u"\u4e2d", 65001), "\xe4\xb8\xad");
  EXPECT_EQ(fromAnsi("\xe4\xb8\xad", 65001), u"\u4e2d");
  EXPECT_TRUE(isSupported(1251));
  // A code page without a converter still passes ASCII.
  EXPECT_FALSE(isSupported(4));
  EXPECT_EQ(toAnsi(u"ab\u00e9", 4), "ab?");
}

}  // namespace
}  // namespace lv8int::codepage

namespace lv8int::codepage {
namespace {

TEST(Utf8, Validation) {
  EXPECT_TRUE(isValidUtf8("plain \xe4\xb8\xad \xf0\x9f\x98\x80"));
  EXPECT_FALSE(isValidUtf8("\xd6\xd0\xce\xc4"));      // GBK bytes
  EXPECT_FALSE(isValidUtf8("\xc0\xaf"));              // overlong "/"
  EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));          // a surrogate
  EXPECT_FALSE(isValidUtf8("\xe4\xb8"));              // cut short
  EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));      // beyond U+10FFFF
}

TEST(Utf8, NamedCharsets) {
  std::string out;
  ASSERT_TRUE(charsetToUtf8("\xd6\xd0\xce\xc4", "gb2312", out));
  EXPECT_EQ(out, "\xe4\xb8\xad\xe6\x96\x87");
  ASSERT_TRUE(charsetToUtf8("caf\xe9", "ISO-8859-1", out));
  EXPECT_EQ(out, "caf\xc3\xa9");
  EXPECT_FALSE(charsetToUtf8("x", "no-such-charset", out));
}

}  // namespace
}  // namespace lv8int::codepage
