// GResman over stores listed in a resource.ini: creation and its failures, slot and number in
// a string identifier, the not-found text, pictures by key and kind, icons at the asked size,
// and answers that follow a store file replaced while the object lives.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <filesystem>

#include "app/CApplication.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/recordset/ResourceDatabase.h"
#include "platform/recordset/SqliteDatabase.h"
#include "resources/GResman.h"
#include "support/AppHarness.h"
#include "support/PeFixtures.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

using namespace lv8int;

namespace {

const std::string kFixtures = std::string(LV8_TEST_FIXTURES) + "/resources/";

using test::raisedError;

// <temp>/System/Resource/resource.ini with the stores beside it.
class GResmanTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
  std::string folder = "System/Resource/";

  void copy(const std::string& fixture, const std::string& to) {
    std::filesystem::create_directories(dir.file(folder));
    std::filesystem::copy_file(kFixtures + fixture, dir.file(folder + to),
                               std::filesystem::copy_options::overwrite_existing);
  }
  String ini(const std::string& section) {
    dir.write(folder + "resource.ini", section);
    return dir.name(folder + "resource.ini");
  }
  Ref<GResman> open(const std::string& section) { return make<GResman>(ini(section)); }
};

}  // namespace

TEST_F(GResmanTest, CreationFailsForEveryUnusableList) {
  copy("strings.mdb", "strings.mdb");
  dir.write(folder + "text.mdb", "no database");
  dir.write(folder + "text.db", "no database either, but long enough for a header of some kind");
  struct Case {
    const char* ini;  // nullptr: no resource.ini at all
    int32_t number;
  } cases[] = {
      {nullptr, err::FileNotFound},
      {"[other]\n0=strings.mdb\n", err::SubscriptOutOfRange},  // no section
      {"[resource]\n", err::SubscriptOutOfRange},              // no key: nothing to size
      {"[resource]\n0=strings.mdb\nfirst=strings.mdb\n", err::TypeMismatch},
      {"[resource]\n0=strings.mdb\n-1=strings.mdb\n", err::SubscriptOutOfRange},
      {"[resource]\n16=strings.mdb\n", err::SubscriptOutOfRange},
      {"[resource]\n0=missing.mdb\n", err::FileNotFound},
      {"[resource]\n0=text.mdb\n", err::PathFileAccess},
      {"[resource]\n0=strings.mdb\n1=text.db\n", sqliteErrorNumber(26)},
  };
  for (const Case& c : cases) {
    if (c.ini) ini(c.ini);
    else std::filesystem::remove(dir.file(folder + "resource.ini"));
    EXPECT_EQ(raisedError([&] { make<GResman>(dir.name(folder + "resource.ini")); }).number(), c.number)
        << (c.ini ? c.ini : "(no resource.ini)");
  }
}

TEST_F(GResmanTest, SlotsComeFromBits16To19AndGapsAreNotSet) {
  copy("strings.mdb", "strings.mdb");
  ResourceDatabase::convert(dir.name(folder + "strings.mdb"), dir.name(folder + "strings.db"));
  Ref<GResman> r = open("[resource]\n0=strings.mdb\n3=strings.db\n");
  EXPECT_EQ(r->count(), 4);
  struct Case {
    int32_t id;
    const char16_t* text;  // nullptr: raises `number`
    int32_t number;
  } cases[] = {
      {5, u"第五条资源字符串", 0},
      {0x30005, u"第五条资源字符串", 0},
      {0x3FFFF, u"last slot", 0},
      {7, u"", 0},  // an empty text is a string, not a missing one
      {2, u"<Unable to find resource string with ID: 0x2>", 0},
      {0x30002, u"<Unable to find resource string with ID: 0x30002>", 0},
      // Bits above 19 take no part in the lookup but show in the not-found text.
      {static_cast<int32_t>(0xFFF00002u), u"<Unable to find resource string with ID: 0xFFF00002>", 0},
      {0x7FF00005, u"第五条资源字符串", 0},
      {0x10001, nullptr, err::ObjectNotSet},
      {0x20001, nullptr, err::ObjectNotSet},
      {0x40001, nullptr, err::SubscriptOutOfRange},
      {static_cast<int32_t>(0xFFFF0001u), nullptr, err::SubscriptOutOfRange},
  };
  for (const Case& c : cases) {
    if (c.text) EXPECT_EQ(r->GetString(c.id), c.text) << std::hex << c.id;
    else EXPECT_EQ(raisedError([&] { r->GetString(c.id); }).number(), c.number) << std::hex << c.id;
  }
}

TEST_F(GResmanTest, StoreNamesResolveAgainstTheListsFolder) {
  copy("strings.mdb", "strings.mdb");
  std::filesystem::create_directories(dir.file(folder + "Sub"));
  copy("strings.mdb", "Sub/Jet.mdb");
  for (const std::string& name : {std::string("STRINGS.MDB"), std::string("sub\\jet.mdb"), std::string("./Sub/Jet.mdb"),
                                  dir.file(folder + "strings.mdb")}) {
    Ref<GResman> r = open("[resource]\n0=" + name + "\n");
    EXPECT_EQ(r->GetString(1), u"Hello") << name;
  }
}

TEST_F(GResmanTest, AStoreReplacedWhileOpenIsReadAnew) {
  copy("strings.mdb", "strings.mdb");
  Ref<GResman> r = open("[resource]\n0=strings.mdb\n");
  EXPECT_EQ(r->GetString(5), u"第五条资源字符串");
  copy("empty.mdb", "strings.mdb.new");
  std::filesystem::rename(dir.file(folder + "strings.mdb.new"), dir.file(folder + "strings.mdb"));
  EXPECT_EQ(r->GetString(5), u"<Unable to find resource string with ID: 0x5>");
  copy("strings.mdb", "strings.mdb");  // written over the same file
  EXPECT_EQ(r->GetString(5), u"第五条资源字符串");
}

// A DLL in slot 1 beside a database in slot 0, for both PE formats.
TEST_F(GResmanTest, StringsOfADllSlot) {
  test::CodePageScope chinese(936);
  copy("strings.mdb", "strings.mdb");
  String han;
  for (int i = 0; i < 126; ++i) han += u"汉";  // 253 ANSI bytes hold 126 double-byte characters
  for (int bits : {32, 64}) {
    SCOPED_TRACE(bits);
    Ref<GResman> r = open("[resource]\n0=strings.mdb\n1=" + test::peFixture(bits) + "\n");
    struct Case {
      int32_t id;
      String text;
    } cases[] = {
        {5, u"第五条资源字符串"},
        {0x10001, u"中文一"},
        {0x10005, han},
        {0x10003, u""},  // exists and is empty
        {0x10050, u"只有中文"},
        {0x10040, u"<Unable to find resource string with ID: 0x10040>"},  // no such block
    };
    for (const Case& c : cases) EXPECT_EQ(r->GetString(c.id), c.text) << std::hex << c.id;
    EXPECT_EQ(r->strings(1).front(), (std::pair<int32_t, String>{0x10001, u"中文一"}));
  }
  // A DLL that does not load is not reported at creation; its strings are not found.
  Ref<GResman> r = open("[resource]\n0=strings.mdb\n1=res.dll\n");
  EXPECT_EQ(r->GetString(0x10005), u"<Unable to find resource string with ID: 0x10005>");
  EXPECT_EQ(raisedError([&] { r->GetString(0x20001); }).number(), err::SubscriptOutOfRange);
}

// Pictures from a database in slot 0: the kind picks the table, the key keeps the number's low
// 16 bits, and a bare file name is found in the database's folder.
TEST_F(GResmanTest, PicturesNamedByADatabase) {
  copy("strings.mdb", "strings.mdb");
  std::filesystem::create_directories(dir.file(folder + "Sub"));
  std::filesystem::copy_file(test::peImage("bmp24.bmp"), dir.file(folder + "logo.bmp"));
  std::filesystem::copy_file(test::peImage("bmp8.bmp"), dir.file(folder + "Sub/Arrow.bmp"));
  std::filesystem::copy_file(test::peImage("icon12.ico"), dir.file(folder + "app.ico"));
  Ref<GResman> r = open("[resource]\n0=strings.mdb\n");
  const QImage logo(QString::fromStdString(test::peImage("bmp24.bmp")));

  Ref<Picture> p = r->GetPicture(u"70001", 2);  // ID 4465
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Type(), Picture::kBitmap);
  EXPECT_EQ(p->image().size(), logo.size());
  EXPECT_TRUE(r->GetPicture(u"135537", 2));  // 2 * 65536 + 4465
  EXPECT_TRUE(r->GetPicture(u"2", 2));       // sub/arrow.bmp, letter case resolved
  EXPECT_FALSE(r->GetPicture(u"9", 2));      // no row
  EXPECT_FALSE(r->GetPicture(u"4465.5", 2));  // 4466: rounded half to even
  Variant size(int32_t{1}), depth(int32_t{0});
  Ref<Picture> icon = r->GetPicture(u"12", 3, size, depth);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->Type(), Picture::kIcon);
  EXPECT_EQ(icon->image().width(), 32);
  EXPECT_EQ(r->GetPicture(u"12", 3)->image().width(), 16);  // Size 0: a small icon

  EXPECT_EQ(raisedError([&] { r->GetPicture(u"3", 2); }).number(), err::FileNotFound);  // missing.bmp
  EXPECT_EQ(raisedError([&] { r->GetPicture(u"Logo", 2); }).number(), err::TypeMismatch);
  EXPECT_EQ(raisedError([&] { r->GetPicture(u"1", 5); }).number(), err::InvalidProcedureCall);
  Variant x, y;
  EXPECT_EQ(raisedError([&] { r->GetIcon(u"12", 0, x, y); }).number(), err::ObjectNotSet);  // icons need a DLL
}

// Pictures and icons from a DLL in slot 0, also through late binding with by-reference sizes.
TEST_F(GResmanTest, PicturesAndIconsOfADll) {
  Ref<GResman> r = open("[resource]\n0=" + test::peFixture(64) + "\n");
  EXPECT_FALSE(r->GetPicture(u"0", 3));  // a number below 1
  EXPECT_FALSE(r->GetPicture(u"65536", 2));
  EXPECT_EQ(r->GetPicture(u"65537", 2)->Type(), Picture::kBitmap);  // bitmap 1
  EXPECT_TRUE(r->GetPicture(u"Logo", 2));
  EXPECT_EQ(r->GetPicture(u"100", 5)->image().size(), QImage(QString::fromStdString(test::peImage("exact100.png"))).size());
  EXPECT_TRUE(r->GetPicture(u"2", 4));  // a cursor
  struct Case {
    int32_t size;
    int32_t given;
    int32_t used;
  } cases[] = {{0, 32, 16}, {2, 48, 16}, {1, 16, 32}, {3, 48, 32}, {7, 48, 48}};
  for (const Case& c : cases) {
    Variant x(c.given), y(c.given);
    Args args{Variant(u"12"), Variant(c.size), Variant::byRef(x), Variant::byRef(y)};
    Variant result = r->invoke(u"GetIcon", InvokeKind::Method, args);
    EXPECT_EQ(CLng(x), c.used) << c.size;
    EXPECT_EQ(CLng(y), c.used) << c.size;
    auto* icon = dynamic_cast<Picture*>(result.rawObject().get());
    ASSERT_NE(icon, nullptr) << c.size;
    EXPECT_EQ(icon->image().width(), c.used) << c.size;
  }
}

TEST_F(GResmanTest, CreatedByProgIDFromTheApplicationsConfiguration) {
  test::AppHarness h;
  // Before Init the application has no configuration.
  EXPECT_EQ(raisedError([] { ComponentRegistry::instance().create(u"LV8INT.GResman"); }).number(), err::ObjectNotSet);
  h.init();
  const std::string resource = h.tree.systemFolder() + "Resource/";
  std::filesystem::create_directories(resource);
  std::filesystem::copy_file(kFixtures + "strings.mdb", resource + "strings.mdb");
  h.tree.folder().write(resource.substr(h.tree.folder().path().size()) + "resource.ini", "[resource]\n0=strings.mdb\n");
  Ref<Object> r = ComponentRegistry::instance().create(u"LV8INT.GResman");
  Args args{Variant(int32_t{5})};
  EXPECT_EQ(CStr(r->invoke(u"GetString", InvokeKind::Method, args)), u"第五条资源字符串");
}
