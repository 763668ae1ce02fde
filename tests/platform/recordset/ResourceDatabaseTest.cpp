// Resource stores: the Jet fixtures read through libmdbsql, the same tables converted to
// SQLite, and answers that follow the file when it is replaced or rewritten while open.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "platform/recordset/JetDatabase.h"
#include "platform/recordset/ResourceDatabase.h"
#include "platform/recordset/SqliteDatabase.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

using namespace lv8int;

namespace {

const std::string kFixtures = std::string(LV8_TEST_FIXTURES) + "/resources/";

using test::raisedError;

// Copies `from` to `to` through a new file renamed over it (a new inode), or over the existing
// file's bytes (the same inode) when `inPlace`.
void install(const std::string& from, const std::string& to, bool inPlace = false) {
  namespace fs = std::filesystem;
  if (inPlace) {
    std::FILE* out = std::fopen(to.c_str(), "r+b");
    ASSERT_NE(out, nullptr);
    std::FILE* in = std::fopen(from.c_str(), "rb");
    char buffer[8192];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, n, out);
    std::fclose(in);
    const long end = std::ftell(out);
    std::fclose(out);
    fs::resize_file(to, static_cast<uintmax_t>(end));
  } else {
    fs::copy_file(from, to + ".new", fs::copy_options::overwrite_existing);
    fs::rename(to + ".new", to);
  }
}

using Rows = std::vector<std::pair<int32_t, String>>;

const Rows kStrings{{1, u"Hello"},
                    {5, u"第五条资源字符串"},
                    {7, u""},
                    {100, u"semi;colon,comma"},
                    {65535, u"last slot"}};
const Rows kBitmaps{{2, u"sub/arrow.bmp"}, {3, u"missing.bmp"}, {4465, u"logo.bmp"}};

class ResourceDatabaseTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
};

}  // namespace

TEST_F(ResourceDatabaseTest, JetAndConvertedSqliteStoresAnswerAlike) {
  ResourceDatabase::convert(fromUtf8(kFixtures + "strings.mdb"), dir.name("strings.db"));
  for (const String& path : {fromUtf8(kFixtures + "strings.mdb"), dir.name("strings.db")}) {
    SCOPED_TRACE(toUtf8(path));
    std::unique_ptr<ResourceDatabase> store = ResourceDatabase::open(path);
    EXPECT_EQ(store->rows(u"strings"), kStrings);
    EXPECT_EQ(store->rows(u"bitmap"), kBitmaps);
    EXPECT_EQ(store->rows(u"icon"), (Rows{{12, u"app.ico"}}));
    EXPECT_EQ(store->content(u"strings", 5), u"第五条资源字符串");
    EXPECT_EQ(store->content(u"strings", 7), u"");  // an empty text is a row, not a missing one
    EXPECT_EQ(store->content(u"strings", 2), std::nullopt);
    EXPECT_EQ(store->content(u"bitmap", 4465), u"logo.bmp");
    EXPECT_TRUE(store->hasTable(u"cursor"));
    EXPECT_FALSE(store->hasTable(u"pictures"));
    // A table the store lacks is the database's error; a name that is no identifier never
    // reaches a query.
    EXPECT_NE(raisedError([&] { store->content(u"pictures", 1); }).number(), 0);
    EXPECT_EQ(raisedError([&] { store->content(u"strings where 1=1 --", 1); }).number(), err::InvalidProcedureCall);
    EXPECT_EQ(raisedError([&] { store->content(u"", 1); }).number(), err::InvalidProcedureCall);
  }
  std::unique_ptr<ResourceDatabase> empty = ResourceDatabase::open(fromUtf8(kFixtures + "empty.mdb"));
  EXPECT_TRUE(empty->rows(u"strings").empty());
  EXPECT_EQ(empty->content(u"strings", 1), std::nullopt);
}

TEST_F(ResourceDatabaseTest, KindFollowsTheName) {
  for (const char16_t* name : {u"a.db", u"a.DB", u"x/a.sqlite", u"a.Sqlite3"})
    EXPECT_TRUE(ResourceDatabase::isSqliteName(name)) << toUtf8(name);
  for (const char16_t* name : {u"a.mdb", u"a.db3", u"a.sqlite.bak", u"db", u"a.dll"})
    EXPECT_FALSE(ResourceDatabase::isSqliteName(name)) << toUtf8(name);
}

TEST_F(ResourceDatabaseTest, UnopenableStoresFailClearly) {
  dir.write("text.mdb", "this is no database");
  dir.write("text.db", "this is no database either, but long enough to have a header of some size");
  dir.mkdir("folder.mdb");
  struct Case {
    const char* file;
    int32_t number;
  } cases[] = {
      {"missing.mdb", err::FileNotFound},
      {"missing.db", err::FileNotFound},
      {"text.mdb", err::PathFileAccess},
      {"folder.mdb", err::PathFileAccess},
      {"text.db", sqliteErrorNumber(26)},  // SQLITE_NOTADB
  };
  for (const Case& c : cases)
    EXPECT_EQ(raisedError([&] { ResourceDatabase::open(dir.name(c.file)); }).number(), c.number) << c.file;
}

// Every answer is the file's answer at that moment: a replaced file (new inode) and a file
// rewritten in place (same inode, new size or time) are read again; a damaged one is an error
// until it is mended.
TEST_F(ResourceDatabaseTest, AnswersFollowTheFile) {
  ResourceDatabase::convert(fromUtf8(kFixtures + "strings.mdb"), dir.name("full.db"));
  ResourceDatabase::convert(fromUtf8(kFixtures + "empty.mdb"), dir.name("empty.db"));
  for (const char* ext : {".mdb", ".db"}) {
    SCOPED_TRACE(ext);
    const bool jet = std::string(ext) == ".mdb";
    const std::string full = jet ? kFixtures + "strings.mdb" : dir.file("full.db");
    const std::string empty = jet ? kFixtures + "empty.mdb" : dir.file("empty.db");
    const std::string store = dir.file(std::string("store") + ext);
    install(full, store);
    std::unique_ptr<ResourceDatabase> db = ResourceDatabase::open(fromUtf8(store));
    EXPECT_EQ(db->content(u"strings", 5), u"第五条资源字符串");
    install(empty, store);
    EXPECT_EQ(db->content(u"strings", 5), std::nullopt);
    install(full, store, /*inPlace=*/true);
    EXPECT_EQ(db->content(u"strings", 5), u"第五条资源字符串");
    EXPECT_EQ(db->rows(u"bitmap"), kBitmaps);

    dir.write(std::string("store") + ext + ".bad", "damaged");
    std::filesystem::rename(store + ".bad", store);
    EXPECT_NE(raisedError([&] { db->content(u"strings", 5); }).number(), 0);
    install(full, store);
    EXPECT_EQ(db->content(u"strings", 1), u"Hello");

    // Gone from its path: the open connection still answers.
    std::filesystem::remove(store);
    EXPECT_EQ(db->content(u"strings", 100), u"semi;colon,comma");
  }
}

// A rewrite in place that keeps the size, within one tick of the file system's clock, leaves
// the identity as it was: a file modified that recently is never answered from memory.
TEST_F(ResourceDatabaseTest, ARewriteWithinOneClockTickIsSeen) {
  std::string jello = dir.file("jello.mdb");
  std::filesystem::copy_file(kFixtures + "strings.mdb", jello);
  {
    std::FILE* f = std::fopen(jello.c_str(), "r+b");
    std::fseek(f, 135156, SEEK_SET);  // the "H" of the compressed text "Hello"
    std::fputc('J', f);
    std::fclose(f);
  }
  ResourceDatabase::convert(fromUtf8(kFixtures + "strings.mdb"), dir.name("hello.db"));
  ResourceDatabase::convert(fromUtf8(jello), dir.name("jello.db"));
  for (const auto& [hello, jelly, store] :
       {std::tuple{kFixtures + "strings.mdb", jello, dir.file("store.mdb")},
        std::tuple{dir.file("hello.db"), dir.file("jello.db"), dir.file("store.db")}}) {
    SCOPED_TRACE(store);
    ASSERT_EQ(std::filesystem::file_size(hello), std::filesystem::file_size(jelly));
    install(hello, store);
    std::unique_ptr<ResourceDatabase> db = ResourceDatabase::open(fromUtf8(store));
    EXPECT_EQ(db->content(u"strings", 1), u"Hello");
    struct stat before{};
    ::stat(store.c_str(), &before);
    install(jelly, store, /*inPlace=*/true);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, store.c_str(), times, 0), 0);
    EXPECT_EQ(db->content(u"strings", 1), u"Jello");
  }
}

TEST_F(ResourceDatabaseTest, ConvertKeepsTheTargetWhenItFails) {
  dir.write("target.db", "old bytes");
  EXPECT_EQ(raisedError([&] { ResourceDatabase::convert(dir.name("missing.mdb"), dir.name("target.db")); }).number(),
            err::FileNotFound);
  EXPECT_EQ(dir.read("target.db"), "old bytes");
  EXPECT_EQ(dir.list(), "target.db");  // no temporary file left behind
  ResourceDatabase::convert(fromUtf8(kFixtures + "strings.mdb"), dir.name("target.db"));
  EXPECT_EQ(ResourceDatabase::open(dir.name("target.db"))->rows(u"strings"), kStrings);
}
