// Recordsets from SQLite queries: parameters stay data, column types become automation types,
// and a missing, locked or foreign file is a clear error that changes nothing.
#include <gtest/gtest.h>

#include "platform/automation/Conversions.h"
#include "platform/recordset/SqliteDatabase.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

using namespace lv8int;

namespace {

using test::raisedError;

constexpr SqliteDatabase::Options kWritable{.readOnly = false, .create = true, .busyTimeoutMs = 50};

class SqliteDatabaseTest : public ::testing::Test {
 protected:
  test::TempFolder dir;
  String file = dir.name("data.db");

  void SetUp() override {
    SqliteDatabase db(file, kWritable);
    db.executeScript(
        u"CREATE TABLE Users (UserID TEXT PRIMARY KEY, Name TEXT, Born DATE, Active BOOLEAN, Score REAL, Big INTEGER, "
        u"Photo BLOB);"
        u"INSERT INTO Users VALUES ('101', '张会计', '2003-01-31', 1, 2.5, 4000000000, x'00FF');"
        u"INSERT INTO Users VALUES ('102', 'O''Brien', 'not a date', 0, NULL, -5, NULL);");
  }
};

}  // namespace

TEST_F(SqliteDatabaseTest, ColumnsBecomeAutomationTypes) {
  SqliteDatabase db(file);
  Ref<Recordset> rs = db.query(u"SELECT UserID, Name, Born, Active, Score, Big, Photo FROM Users ORDER BY UserID");
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->fieldName(2), u"Born");
  EXPECT_EQ(rs->value(0).type(), VarType::String);
  EXPECT_EQ(rs->value(1).rawString(), u"张会计");
  ASSERT_EQ(rs->value(2).type(), VarType::Date);
  EXPECT_EQ(CStr(rs->value(2)), u"2003-01-31");
  EXPECT_EQ(rs->value(3).type(), VarType::Boolean);
  EXPECT_TRUE(rs->value(3).rawBool());
  EXPECT_EQ(rs->value(4).type(), VarType::Double);
  EXPECT_EQ(rs->value(5).type(), VarType::Double) << "beyond a Long's range";
  EXPECT_EQ(rs->value(5).rawDouble(), 4000000000.0);
  EXPECT_EQ(rs->value(6).arrayData()->toBytes(), (std::vector<uint8_t>{0x00, 0xFF}));
  rs->MoveNext();
  EXPECT_EQ(rs->value(2).type(), VarType::String) << "a date column holding no date keeps its text";
  EXPECT_FALSE(rs->value(3).rawBool());
  EXPECT_TRUE(rs->value(4).isNull());
  EXPECT_EQ(rs->value(5).type(), VarType::Long);
}

TEST_F(SqliteDatabaseTest, ParametersAreDataNeverStatementText) {
  SqliteDatabase db(file);
  // A quote in a parameter is an ordinary character.
  EXPECT_EQ(db.query(u"SELECT UserID FROM Users WHERE Name = ?1", {Variant(u"O'Brien")})->RecordCount(), 1);
  EXPECT_EQ(db.query(u"SELECT UserID FROM Users WHERE UserID = ?", {Variant(u"101' OR '1'='1")})->RecordCount(), 0);
  // Numbers, dates, Booleans and Null bind as their values.
  EXPECT_EQ(db.query(u"SELECT UserID FROM Users WHERE Big = ?1", {Variant(int32_t{-5})})->RecordCount(), 1);
  EXPECT_EQ(db.query(u"SELECT UserID FROM Users WHERE Born = ?1", {Variant::date(CDate(Variant(u"2003-01-31")))})
                ->RecordCount(),
            1);
  EXPECT_EQ(CLng(db.query(u"SELECT ?1 + 1", {Variant(true)})->value(0)), 0) << "True binds as -1";
  EXPECT_TRUE(db.query(u"SELECT ?1 IS NULL", {Variant::null()})->value(0).rawInteger());
  EXPECT_EQ(CDbl(db.query(u"SELECT ?1", {Variant::currency(12345)})->value(0)), 1.2345);
  EXPECT_EQ(raisedError([&] { db.query(u"SELECT ?1", {Variant(make<Recordset>(std::vector<String>{}))}); }).number(), 438)
      << "an object binds through its default value, and a recordset has none";
}

TEST_F(SqliteDatabaseTest, OneStatementPerCallWithExactlyItsParameters) {
  SqliteDatabase db(file, kWritable);
  AutomationError two = raisedError([&] { db.query(u"SELECT 1; DROP TABLE Users"); });
  EXPECT_EQ(two.number(), 5);
  EXPECT_EQ(db.query(u"SELECT COUNT(*) FROM Users")->value(0).rawInteger(), 2) << "the second statement did not run";
  EXPECT_EQ(db.query(u"SELECT 1; -- a comment\n")->RecordCount(), 1);
  EXPECT_EQ(raisedError([&] { db.query(u"SELECT ?1, ?2", {Variant(int32_t{1})}); }).number(), 5);
  EXPECT_EQ(raisedError([&] { db.query(u"SELECT 1", {Variant(int32_t{1})}); }).number(), 5);
  EXPECT_EQ(raisedError([&] { db.query(u"  "); }).number(), 5);
  EXPECT_EQ(db.execute(u"UPDATE Users SET Score = ?1", {Variant(1.0)}), 2);
  AutomationError syntax = raisedError([&] { db.query(u"SELEC 1"); });
  EXPECT_EQ(syntax.number(), sqliteErrorNumber(1));
  EXPECT_NE(syntax.description().find(u"syntax error"), String::npos);
}

TEST_F(SqliteDatabaseTest, AFailingScriptLeavesNothingBehind) {
  SqliteDatabase db(file, kWritable);
  EXPECT_EQ(raisedError([&] { db.executeScript(u"CREATE TABLE T (a); INSERT INTO T VALUES (1); INSERT INTO Nowhere VALUES (2);"); })
                .number(),
            sqliteErrorNumber(1));
  EXPECT_EQ(db.query(u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'T'")->value(0).rawInteger(), 0);
}

TEST_F(SqliteDatabaseTest, AReadOnlyConnectionWritesNothing) {
  SqliteDatabase db(file);
  EXPECT_EQ(raisedError([&] { db.execute(u"DELETE FROM Users"); }).number(), sqliteErrorNumber(8));
  EXPECT_EQ(db.query(u"SELECT COUNT(*) FROM Users")->value(0).rawInteger(), 2);
}

TEST_F(SqliteDatabaseTest, MissingFoldersAndForeignFilesAreClearErrors) {
  AutomationError missing = raisedError([&] { SqliteDatabase db(dir.name("none.db")); });
  EXPECT_EQ(missing.number(), 53);
  EXPECT_NE(missing.description().find(dir.name("none.db")), String::npos);
  EXPECT_FALSE(dir.exists("none.db")) << "opening must not create the file";

  dir.mkdir("folder.db");
  EXPECT_EQ(raisedError([&] { SqliteDatabase db(dir.name("folder.db")); }).number(), 75);

  dir.write("text.db", "this is not a database, only some text that is long enough to have a header");
  SqliteDatabase text(dir.name("text.db"));
  AutomationError foreign = raisedError([&] { text.query(u"SELECT 1 FROM sqlite_master"); });
  EXPECT_EQ(foreign.number(), sqliteErrorNumber(26));
  EXPECT_NE(foreign.description().find(u"not a database"), String::npos);
}

TEST_F(SqliteDatabaseTest, ALockHeldByAnotherConnectionIsReportedAfterTheBusyTimeout) {
  SqliteDatabase writer(file, kWritable);
  writer.execute(u"BEGIN EXCLUSIVE");
  SqliteDatabase reader(file, {.busyTimeoutMs = 50});
  AutomationError locked = raisedError([&] { reader.query(u"SELECT COUNT(*) FROM Users"); });
  EXPECT_EQ(locked.number(), sqliteErrorNumber(5));
  EXPECT_NE(locked.description().find(u"locked"), String::npos);
  EXPECT_NE(locked.description().find(file), String::npos);
  writer.execute(u"COMMIT");
  EXPECT_EQ(reader.query(u"SELECT COUNT(*) FROM Users")->value(0).rawInteger(), 2) << "usable once the lock is gone";
}
