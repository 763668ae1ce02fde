#include <gtest/gtest.h>

#include <string>

#include "app/CApplication.h"
#include "app/modEncrypt.h"
#include "app/modTypeConvert.h"
#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"

namespace lv8int {
namespace {

using Bytes = std::vector<uint8_t>;

// The key EncryptPWD uses.
const String kKey = u"示例软件（开发）有限责任公司口令用密钥";

// Stored passwords must keep matching, so these are computed outside this code, with Python's
// gbk codec, low byte of each character code first, the key chained as EncryptText does:
//
//   def code(ch):
//       b = ch.encode("gbk", errors="replace")
//       return b[0] if len(b) == 1 else (b[0] << 8) | b[1]
//   def ansi_bytes(s):
//       return [x for ch in s for x in (code(ch) & 0xFF, code(ch) >> 8)]
//   def encrypt(text, key, length):
//       t = ansi_bytes(text)
//       if length > 0: t = (t + [0] * (2 * length))[:2 * length]
//       k = ansi_bytes(key) or [0]
//       prev = 0
//       for i in range(len(t)):
//           t[i] = k[i % len(k)] ^ t[i] ^ prev; prev = t[i]
//       return "".join("%02X" % b for b in t)
//   encrypt(password, KEY, 12)
struct Vector {
  const char16_t* password;
  const char16_t* stored;
};
const Vector kVectors[] = {
    // The empty password is the key chained on itself: 示 is CABE in code page 936, low byte
    // first, so the first byte out is BE, then CA ^ BE.
    {u"", u"BE748949A46C922E86258F3092258C2FFF2CF23DCD19D71F"},
    {u"a", u"DF15E828C50DF34FE744EE51F344ED4E9E4D935CAC78B67E"},
    {u"password", u"CE049858C60E833FE0438639E95E9330E033ED22D206C800"},
    {u"密码", u"626B7D7F925AA418B013B906A413BA19C91AC40BFB2FE129"},
    {u"abcdefghijkl", u"DF158A4AC40C962AE7448837F24584279E4DF936AD79DB13"},
    {u"abcdefghijklm", u"DF158A4AC40C962AE7448837F24584279E4DF936AD79DB13"},
};

class Encrypt : public ::testing::Test {
 protected:
  test::CodePageScope chinese{936};
};

TEST_F(Encrypt, StoredPasswordsMatchIndependentlyComputedVectors) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(toUtf8(v.password));
    EXPECT_EQ(modEncrypt::EncryptText(v.password, kKey, 12), v.stored);
  }
}

// What hosts and login windows call: the application's own key, by name.
TEST_F(Encrypt, ApplicationEncryptPWDGivesTheStoredForm) {
  Ref<Object> app = make<CApplication>();
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(toUtf8(v.password));
    EXPECT_EQ(CStr(app->call(u"EncryptPWD", {Variant(v.password)})), v.stored);
  }
}

TEST_F(Encrypt, PasswordIsCutOrPaddedToTwelveCharacters) {
  // Characters of code 0 are the padding itself, so they change nothing.
  const String ab = modEncrypt::EncryptText(u"ab", kKey, 12);
  EXPECT_EQ(modEncrypt::EncryptText(String(u"ab\0\0", 4), kKey, 12), ab);
  EXPECT_EQ(ab, u"DF158A4AA76F912D85268C3391268F2CFC2FF13ECE1AD41C");
  // Only the first 12 characters count; a 24-character password is cut as well.
  EXPECT_EQ(modEncrypt::EncryptText(u"abcdefghijklabcdefghijkl", kKey, 12), kVectors[4].stored);
}

TEST_F(Encrypt, LengthZeroKeepsTheTextsOwnLength) {
  EXPECT_EQ(modEncrypt::EncryptText(u"", kKey, 0), u"");
  EXPECT_EQ(modEncrypt::EncryptText(u"a", kKey, 0), u"DF15");
  EXPECT_EQ(modEncrypt::EncryptText(u"a", kKey, -3), u"DF15");
  // An empty key is a single zero byte: 'a' is 61 00, chained 61 then 00^61.
  EXPECT_EQ(modEncrypt::EncryptText(u"a", u"", 0), u"6161");
  EXPECT_EQ(modEncrypt::EncryptText(u"", u"", 2), u"00000000");
}

TEST_F(Encrypt, LengthBeyondALongOverflows) {
  EXPECT_EQ(test::raisedError([] { modEncrypt::EncryptText(u"a", kKey, INT32_MAX); }).number(), err::Overflow);
}

TEST_F(Encrypt, AnsiBytesAreCharacterCodesLowByteFirst) {
  EXPECT_TRUE(modTypeConvert::StrToAnsiBytes(u"").empty());
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"a"), (Bytes{0x61, 0x00}));
  // 密 is C3DC in code page 936.
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"密a"), (Bytes{0xDC, 0xC3, 0x61, 0x00}));
  // Characters the code page cannot hold, and halves of surrogate pairs, are its default '?'.
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"\u0E01"), (Bytes{0x3F, 0x00}));
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"😀"), (Bytes{0x3F, 0x00, 0x3F, 0x00}));
}

TEST_F(Encrypt, AnsiBytesFollowTheActiveCodePage) {
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"é"), (Bytes{0xA6, 0xA8}));  // A8A6 in 936
  codepage::setActiveCodePage(1252);
  EXPECT_EQ(modTypeConvert::StrToAnsiBytes(u"é"), (Bytes{0xE9, 0x00}));
  EXPECT_NE(modEncrypt::EncryptText(u"密码", kKey, 12), kVectors[3].stored);
}

// The key's bytes are kept between calls: a change of LV8INT_CODEPAGE must still reach them.
TEST_F(Encrypt, AChangeOfTheEnvironmentsCodePageReachesTheKey) {
  codepage::setActiveCodePage(0);
  const struct {
    const char* codePage;
    const char16_t* text;
    int32_t length;
    String stored;
  } cases[] = {{"936", u"a", 12, kVectors[1].stored},
               {"1252", u"", 2, u"3F3F0000"},  // every character of the key is '?' in 1252
               {"936", u"a", 12, kVectors[1].stored}};
  for (const auto& c : cases) {
    test::EnvironmentScope env("LV8INT_CODEPAGE", c.codePage);
    EXPECT_EQ(modEncrypt::EncryptText(c.text, kKey, c.length), c.stored) << c.codePage;
  }
}

TEST(BytesToHex, TwoUpperCaseDigitsPerByteAndASeparatorAfterEachGroup) {
  EXPECT_EQ(modTypeConvert::BytesToHex({10}, u"-", 1), u"0A-");
  EXPECT_EQ(modTypeConvert::BytesToHex({0x00, 0xAB, 0xFF}, u"", 1), u"00ABFF");
  EXPECT_EQ(modTypeConvert::BytesToHex({1, 2, 3, 4, 5}, u" ", 2), u"0102 0304 05");
  EXPECT_EQ(modTypeConvert::BytesToHex({1, 2}, u", ", 2), u"0102, ");
  EXPECT_EQ(modTypeConvert::BytesToHex({}, u"-", 0), u"");
  // A group below one is an invalid argument, once there are bytes to group.
  for (int32_t group : {0, -2})
    EXPECT_EQ(test::errorOf([&] { modTypeConvert::BytesToHex({1}, u"-", group); }), err::InvalidProcedureCall) << group;
}

}  // namespace
}  // namespace lv8int
