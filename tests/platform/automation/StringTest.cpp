#include "platform/automation/String.h"

#include <gtest/gtest.h>

namespace lv8int {
namespace {

TEST(String, FastFoldingAgreesWithFullFolding) {
  // Prefixing U+00E9 sends the whole text through the full (ICU) folding; folding works per
  // character, so the rest must fold exactly as the table-free path folds it alone.
  const String prefix(1, u'\u00E9');
  auto check = [&](char16_t from, char16_t to) {
    for (char32_t c = from; c <= to; ++c) {
      const String one(1, static_cast<char16_t>(c));
      ASSERT_EQ(foldCase(prefix + one), prefix + foldCase(one)) << std::hex << static_cast<unsigned>(c);
    }
  };
  check(0x0000, 0x007F);
  check(0x3000, 0x9FFF);
  check(0xFF00, 0xFFEF);
  EXPECT_EQ(foldCase(u"ＡＢＣ会计"), u"ａｂｃ会计");
  EXPECT_EQ(foldCase(u"Straße"), u"strasse");
}

TEST(String, EqualityAndHashIgnoreCase) {
  const NoCaseHash hash;
  const std::pair<const char16_t*, const char16_t*> same[] = {
      {u"Balance", u"bALANCE"},       {u"ＫＥＹ", u"ｋｅｙ"}, {u"ΣΟΦΙΑ", u"σοφια"},
      {u"STRASSE", u"straße"},        {u"k", u"\u212A"},     // Kelvin sign folds to k
      {u"会计科目", u"会计科目"},     {u"", u""},
  };
  for (auto [a, b] : same) {
    EXPECT_TRUE(equalsNoCase(a, b)) << toUtf8(a);
    EXPECT_EQ(hash(a), hash(b)) << toUtf8(a);
  }
  const std::pair<const char16_t*, const char16_t*> different[] = {
      {u"Balance", u"Balances"}, {u"KEY", u"ＫＥＹ"}, {u"会计", u"会話"}, {u"ab", u"ba"}, {u"é", u"e"},
  };
  for (auto [a, b] : different) EXPECT_FALSE(equalsNoCase(a, b)) << toUtf8(a);
}

TEST(String, Utf8EdgesBecomeReplacementCharacters) {
  EXPECT_EQ(fromUtf8("\xE4\xBC\x9A\xE8\xAE\xA1"), u"会计");
  EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(fromUtf8("a\xC0\xAF" "b"), u"a\uFFFD" u"b");     // overlong
  EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\uFFFD");             // encoded surrogate
  EXPECT_EQ(fromUtf8("\xE4\xBC"), u"\uFFFD\uFFFD");           // cut short
  EXPECT_EQ(toUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(toUtf8(String(1, u'\xD800')), "\xEF\xBF\xBD");   // lone surrogate
}

}  // namespace
}  // namespace lv8int
