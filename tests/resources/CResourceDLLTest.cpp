#include "resources/CResourceDLL.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/automation/AutomationError.h"
#include "support/PeFixtures.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using test::CodePageScope;
using test::errorOf;

class CResourceDLLTest : public ::testing::TestWithParam<int> {
 protected:
  Ref<CResourceDLL> dll = make<CResourceDLL>();
  void SetUp() override { dll->put_DLLName(fromUtf8(test::peFixture(GetParam()))); }
};

TEST_P(CResourceDLLTest, LoadsWhenNamed) {
  EXPECT_NE(dll->ModuleHandle(), 0);
  EXPECT_EQ(dll->DLLName(), fromUtf8(test::peFixture(GetParam())));
  EXPECT_TRUE(dll->loadError().empty());
  // Another name replaces the module; a bad one leaves none.
  dll->put_DLLName(u"/no/such/res.dll");
  EXPECT_EQ(dll->ModuleHandle(), 0);
  EXPECT_EQ(dll->DLLName(), u"/no/such/res.dll");
  EXPECT_FALSE(dll->loadError().empty());
  EXPECT_FALSE(dll->LoadDLLPicture(u"1", 0));
  EXPECT_EQ(dll->LoadDLLString(1), u"");
  EXPECT_NE(dll->LastError(), 0);
}

// The ANSI string loader's buffer holds 253 bytes: 253 single-byte characters, or 126 double-
// byte ones (a character is not split); text stops at a NUL; missing differs from empty only
// by the last error.
TEST_P(CResourceDLLTest, StringsAsTheAnsiLoaderGivesThem) {
  struct Case {
    int codePage;
    int32_t index;
    String expected;
    int32_t lastError;
  };
  const Case cases[] = {
      {936, 1, u"中文一", 0},
      {1252, 1, u"English one", 0},
      {936, 3, u"", 0},
      {936, 2, u"", 0},
      {936, 64, u"", CResourceDLL::kErrorResourceNameNotFound},
      {936, 4, String(u"0123456789").substr(0, 10), 0},  // checked for length below
      {936, 5, String(126, u'汉'), 0},
      {1252, 5, String(200, u'?'), 0},  // not in the code page
      {936, 7, u"甲", 0},
      {936, 0x10001, u"中文一", 0},
  };
  for (const Case& c : cases) {
    CodePageScope cp(c.codePage);
    String s = dll->LoadDLLString(c.index);
    if (c.index == 4) {
      EXPECT_EQ(s.size(), 253u);
      EXPECT_EQ(s.substr(0, 10), c.expected);
    } else {
      EXPECT_EQ(s, c.expected) << c.codePage << " " << c.index;
    }
    EXPECT_EQ(dll->LastError(), c.lastError) << c.codePage << " " << c.index;
  }
}

TEST_P(CResourceDLLTest, PicturesByKind) {
  struct Case {
    const char16_t* index;
    int32_t rc, x, y;
    int16_t type;  // 0: no object
    QSize size;
  };
  const Case cases[] = {
      {u"0", 1, 32, 32, 0, {}},  // below 1: no object
      {u"-3", 0, 0, 0, 0, {}},
      {u"1", 0, 0, 0, Picture::kBitmap, {8, 6}},
      {u"Logo", 0, 0, 0, Picture::kBitmap, {4, 4}},
      {u"#3", 0, 0, 0, Picture::kBitmap, {9, 3}},
      {u"999", 0, 0, 0, 0, {}},
      {u"70001", 0, 0, 0, 0, {}},
      {u"12", 1, 16, 16, Picture::kIcon, {16, 16}},
      {u"12", 1, 32, 32, Picture::kIcon, {32, 32}},
      {u"12", 1, 48, 48, Picture::kIcon, {48, 48}},
      {u"12", 1, 20, 20, Picture::kIcon, {20, 20}},
      {u"12", 1, 0, 0, Picture::kIcon, {32, 32}},
      {u"Depth", 1, 32, 32, Picture::kIcon, {32, 32}},
      {u"2", 2, 0, 0, Picture::kIcon, {32, 32}},
      {u"100", 3, 0, 0, Picture::kBitmap, {3, 2}},
      {u"101", 4, 0, 0, Picture::kBitmap, {5, 4}},
      {u"102", 3, 0, 0, Picture::kBitmap, {8, 8}},
      {u"Photo", 4, 0, 0, Picture::kBitmap, {8, 8}},
      {u"103", 3, 0, 0, Picture::kBitmap, {8, 6}},
      {u"104", 3, 0, 0, Picture::kIcon, {32, 32}},
      {u"998", 3, 0, 0, 0, {}},
      {u"1", 5, 0, 0, 0, {}},
      {u"1", -1, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toUtf8(c.index) + " kind " + std::to_string(c.rc));
    Ref<Picture> p = dll->LoadDLLPicture(c.index, c.rc, c.x, c.y);
    if (c.type == 0) {
      EXPECT_FALSE(p);
      continue;
    }
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Type(), c.type);
    EXPECT_EQ(p->image().size(), c.size);
  }
  // The icon chosen for 16 pixels is the red 16-pixel image, not a scaled larger one.
  EXPECT_EQ(dll->LoadDLLPicture(u"12", 1, 16, 16)->image().pixel(8, 8), 0xFFFF0000u);
  Ref<Picture> cursor = dll->LoadDLLPicture(u"2", 2);
  EXPECT_TRUE(cursor->isCursor());
  EXPECT_EQ(cursor->hotSpot(), QPoint(5, 7));
}

TEST_P(CResourceDLLTest, CustomDataThatIsNoPictureIsAnError) {
  EXPECT_EQ(errorOf([&] { dll->LoadDLLPicture(u"105", 3); }), 481);
}

TEST_P(CResourceDLLTest, CustomResourceBecomesThePersistedForm) {
  auto data = dll->module()->find(pe::ResourceName(u"CUSTOM"), pe::ResourceName(uint16_t(100)));
  ASSERT_TRUE(data);
  ASSERT_EQ(data->bytes.size(), 100u);
  std::vector<uint8_t> form = CResourceDLL::persistedForm(data->bytes);
  ASSERT_EQ(form.size(), 108u);
  EXPECT_EQ(std::vector<uint8_t>(form.begin(), form.begin() + 8), (std::vector<uint8_t>{108, 116, 0, 0, 100, 0, 0, 0}));
  EXPECT_TRUE(std::equal(data->bytes.begin(), data->bytes.end(), form.begin() + 8));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, CResourceDLLTest, ::testing::Values(32, 64),
                         [](const auto& info) { return "PE" + std::to_string(info.param); });

// A module cut short or scribbled over: loading fails or the resources read as missing; no
// member crashes.
TEST(CResourceDLLDamage, DamagedModulesGiveNothingOrAClearError) {
  test::TempFolder tmp;
  const std::string good = test::readBytes(test::peFixture(64));
  const size_t dir = test::resourceDirectoryOffset(good);
  const std::string variants[] = {
      good.substr(0, 64),
      good.substr(0, dir + 40),
      good.substr(0, good.size() / 2),
      good.substr(0, dir) + std::string(good.size() - dir, '\xFF'),
  };
  for (const std::string& bytes : variants) {
    tmp.write("bad.dll", bytes);
    Ref<CResourceDLL> dll = make<CResourceDLL>();
    dll->put_DLLName(tmp.name("bad.dll"));
    if (dll->LoadDLLString(1).empty()) {
      EXPECT_NE(dll->LastError(), 0);
    }
    for (const char16_t* index : {u"1", u"12", u"2", u"100", u"Photo"})
      for (int32_t rc = 0; rc <= 4; ++rc) {
        int32_t e = errorOf([&] { dll->LoadDLLPicture(index, rc, 16, 16); });
        EXPECT_TRUE(e == 0 || e == 481) << e;
      }
  }
}

// The module is held in memory of its own: rewriting the file afterwards changes nothing.
TEST(CResourceDLLDamage, FileRewrittenWhileLoaded) {
  test::TempFolder tmp;
  tmp.write("res.dll", test::readBytes(test::peFixture(32)));
  Ref<CResourceDLL> dll = make<CResourceDLL>();
  dll->put_DLLName(tmp.name("RES"));  // ".dll" added, letter case resolved
  EXPECT_NE(dll->ModuleHandle(), 0);
  {
    std::ofstream truncated(tmp.file("res.dll"), std::ios::binary | std::ios::trunc);  // in place
    truncated << "MZ";
  }
  CodePageScope cp(936);
  EXPECT_EQ(dll->LoadDLLString(1), u"中文一");
  EXPECT_TRUE(dll->LoadDLLPicture(u"Photo", 3));
}

}  // namespace
}  // namespace lv8int
