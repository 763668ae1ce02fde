#include "platform/pe/PeFile.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/pe/ResourceLanguage.h"
#include "support/PeFixtures.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

namespace lv8int::pe {
namespace {

using test::CodePageScope;

class PeFileTest : public ::testing::TestWithParam<int> {
 protected:
  std::unique_ptr<PeFile> open() {
    String error;
    auto pe = PeFile::open(fromUtf8(test::peFixture(GetParam())), &error);
    EXPECT_TRUE(pe) << toUtf8(error);
    return pe;
  }
};

TEST_P(PeFileTest, KnowsItsKind) {
  auto pe = open();
  ASSERT_TRUE(pe);
  EXPECT_EQ(pe->is64(), GetParam() == 64);
  EXPECT_TRUE(pe->hasType(ResourceName(RT_STRING)));
  EXPECT_FALSE(pe->hasType(ResourceName(uint16_t(99))));
}

// Which language of a string block is taken: the code page's own, then neutral, then English
// (United States), then the first in the file.
TEST_P(PeFileTest, StringLanguageFollowsTheCodePage) {
  struct Case {
    int codePage;
    uint32_t id;
    const char16_t* expected;
  };
  const Case cases[] = {
      {936, 1, u"中文一"},       {1252, 1, u"English one"}, {950, 1, u"English one"},
      {936, 16, u"neutral"},     {1252, 16, u"english"},    {65001, 16, u"neutral"},
      {936, 32, u"english 32"},  {1252, 32, u"english 32"}, {936, 48, u"deutsch 48"},
      {1252, 48, u"deutsch 48"}, {1252, 80, u"只有中文"},
      // Only the low 16 bits name the string.
      {936, 0x10001, u"中文一"},
  };
  auto pe = open();
  ASSERT_TRUE(pe);
  for (const Case& c : cases) {
    CodePageScope cp(c.codePage);
    auto s = pe->loadString(c.id);
    ASSERT_TRUE(s) << c.codePage << " " << c.id;
    EXPECT_EQ(*s, c.expected) << c.codePage << " " << c.id;
  }
}

TEST_P(PeFileTest, EmptyAndMissingStringsDiffer) {
  auto pe = open();
  ASSERT_TRUE(pe);
  EXPECT_EQ(pe->loadString(3), String());   // defined as ""
  EXPECT_EQ(pe->loadString(2), String());   // not defined, but its block exists
  EXPECT_EQ(pe->loadString(64), std::nullopt);  // block 5 does not exist
  EXPECT_EQ(pe->loadString(0xFFFF), std::nullopt);
  EXPECT_EQ(pe->loadString(4)->size(), 300u);
}

TEST_P(PeFileTest, ListsStringsAndEntries) {
  CodePageScope cp(936);
  auto pe = open();
  ASSERT_TRUE(pe);
  auto strings = pe->strings();
  ASSERT_FALSE(strings.empty());
  EXPECT_EQ(strings.front(), (std::pair<uint16_t, String>(1, u"中文一")));
  bool sawEighty = false;
  for (auto& [id, text] : strings) sawEighty = sawEighty || (id == 80 && text == u"只有中文");
  EXPECT_TRUE(sawEighty);
  bool sawPhoto = false;
  for (const ResourceEntry& e : pe->entries())
    sawPhoto = sawPhoto || (e.type.display() == u"CUSTOM" && e.name.display() == u"PHOTO");
  EXPECT_TRUE(sawPhoto);
}

TEST_P(PeFileTest, NamesByNumberTextOrHash) {
  auto pe = open();
  ASSERT_TRUE(pe);
  EXPECT_TRUE(pe->find(ResourceName(RT_BITMAP), ResourceName::parse(u"#1")));
  EXPECT_TRUE(pe->find(ResourceName(RT_BITMAP), ResourceName::parse(u"logo")));
  EXPECT_TRUE(pe->find(ResourceName(u"custom"), ResourceName(u"Photo")));
  EXPECT_FALSE(pe->find(ResourceName(RT_BITMAP), ResourceName::parse(u"#70001")));
  EXPECT_FALSE(pe->find(ResourceName(RT_BITMAP), ResourceName::parse(u"1")));  // the text "1", not #1
  EXPECT_EQ(pe->find(ResourceName(u"CUSTOM"), ResourceName(uint16_t(100)))->bytes.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeFileTest, ::testing::Values(32, 64),
                         [](const auto& info) { return "PE" + std::to_string(info.param); });

TEST(ResourceLanguage, Order) {
  const std::vector<uint16_t> chineseEnglish{0x0409, 0x0804};
  EXPECT_EQ(chooseLanguage(chineseEnglish, 936), 1u);
  EXPECT_EQ(chooseLanguage(chineseEnglish, 1252), 0u);
  const std::vector<uint16_t> neutralLast{0x0407, 0x0409, 0x0000};
  EXPECT_EQ(chooseLanguage(neutralLast, 936), 2u);
  const std::vector<uint16_t> neither{0x040C, 0x0407};
  EXPECT_EQ(chooseLanguage(neither, 936), 0u);
  EXPECT_EQ(chooseLanguage({}, 936), 0u);
}

// Every lookup a damaged file can be put through; none may crash or hang.
void exercise(const PeFile& pe) {
  pe.entries();
  pe.strings();
  for (uint32_t id : {0u, 1u, 3u, 16u, 48u, 80u}) pe.loadString(id);
  pe.find(ResourceName(RT_GROUP_ICON), ResourceName(uint16_t(12)));
  pe.find(ResourceName(u"CUSTOM"), ResourceName(u"PHOTO"));
}

TEST(PeFileDamage, HeadersThatDoNotHoldAreRefused) {
  const std::string good = test::readBytes(test::peFixture(64));
  ASSERT_GT(good.size(), 1000u);
  auto patched = [&](size_t at, std::string bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  uint32_t peAt = uint8_t(good[0x3C]) | (uint8_t(good[0x3D]) << 8);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"no MZ", patched(0, "ZM")},
      {"PE header beyond the end", patched(0x3C, std::string("\xF0\xFF\xFF\x7F", 4))},
      {"no PE signature", patched(peAt, "XX")},
      {"unknown optional header", patched(peAt + 24, std::string("\x07\x01", 2))},
      {"section table beyond the end", patched(peAt + 6, std::string("\xFF\xFF", 2))},
      {"cut in the headers", good.substr(0, peAt + 30)},
  };
  for (const Case& c : cases) {
    String error;
    EXPECT_FALSE(PeFile::fromBytes(c.bytes, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  String error;
  EXPECT_FALSE(PeFile::open(u"/no/such/module.dll", &error));
  EXPECT_FALSE(error.empty());
}

TEST(PeFileDamage, TruncatedAndScrambledFilesNeverCrash) {
  for (int bits : {32, 64}) {
    const std::string good = test::readBytes(test::peFixture(bits));
    for (size_t n = 0; n < good.size(); n += 97)
      if (auto pe = PeFile::fromBytes(good.substr(0, n))) exercise(*pe);
    const size_t dir = test::resourceDirectoryOffset(good);
    ASSERT_GT(dir, 0u);
    std::mt19937 random(bits);
    for (int round = 0; round < 300; ++round) {
      std::string b = good;
      for (int k = 0; k < 8; ++k) b[dir + random() % (b.size() - dir)] = static_cast<char>(random());
      if (auto pe = PeFile::fromBytes(b)) exercise(*pe);
    }
  }
}

TEST(PeFileDamage, DirectoriesPointingBackDoNotLoop) {
  std::string b = test::readBytes(test::peFixture(32));
  const size_t dir = test::resourceDirectoryOffset(b);
  // Every type entry of the root now leads back to the root, and its counts claim the most.
  uint16_t count = uint8_t(b[dir + 12]) + uint8_t(b[dir + 14]);
  for (uint16_t i = 0; i < count; ++i) b.replace(dir + 16 + i * 8 + 4, 4, std::string("\0\0\0\x80", 4));
  b.replace(dir + 12, 4, std::string("\xFF\xFF\xFF\xFF", 4));
  auto pe = PeFile::fromBytes(b);
  ASSERT_TRUE(pe);
  exercise(*pe);
}

}  // namespace
}  // namespace lv8int::pe
