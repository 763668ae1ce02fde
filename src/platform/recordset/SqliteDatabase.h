#pragma once
// SqliteDatabase: a connection to an SQLite database file whose queries answer with an
// in-memory Recordset. Statements take their values as parameters (?1, ?2 ... or ?), never
// spliced into the text, and one call runs exactly one statement.
//
// Errors:
//   53                        the file does not exist (nothing is created unless asked for)
//   75                        the file exists but cannot be opened
//   vbObjectError + 0x2000 + the SQLite result code, for every other failure, for example
//     0x2005 (SQLITE_BUSY) and 0x2006 (SQLITE_LOCKED): the database is locked by another
//     connection for longer than the busy timeout; 0x201A: the file is no database;
//     0x2001: an SQL error (with SQLite's message).
#include <cstdint>
#include <vector>

#include "platform/recordset/Recordset.h"

namespace lv8int {

inline constexpr char16_t kSqliteErrorSource[] = u"LV8INT.SqliteDatabase";

// The error number of an SQLite result code (its primary code, the low byte).
constexpr int32_t sqliteErrorNumber(int resultCode) { return vbObjectError + 0x2000 + (resultCode & 0xFF); }

class SqliteDatabase {
 public:
  struct Options {
    bool readOnly = true;
    bool create = false;       // create a missing file (implies read-write)
    int busyTimeoutMs = 1000;  // how long a statement waits for another connection's lock
  };

  // Opens the database file `path`.
  SqliteDatabase(StringView path, Options options);
  explicit SqliteDatabase(StringView path) : SqliteDatabase(path, Options{}) {}
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  const String& path() const noexcept { return path_; }

  // Runs one statement with its parameters and returns every row it yields as an open
  // recordset standing on its first record. Parameter values: texts, whole numbers (Boolean
  // as -1/0), Single/Double, Currency (as a real number), Date (as "yyyy-mm-dd" or
  // "yyyy-mm-dd hh:mm:ss" text), Null/Empty (NULL), Byte arrays (BLOB); anything else is 13.
  //
  // Column values: INTEGER as Long (Double beyond a Long's range), REAL as Double, TEXT as
  // String, BLOB as a Byte array, NULL as Null. A column declared DATE, DATETIME or TIMESTAMP
  // whose text reads as a date becomes a Date; one declared BOOLEAN or BIT whose value is a
  // whole number becomes a Boolean.
  Ref<Recordset> query(StringView sql, const std::vector<Variant>& parameters = {});
  // Runs one statement that yields no rows; returns the number of rows it changed.
  int32_t execute(StringView sql, const std::vector<Variant>& parameters = {});
  // Runs a script of statements without parameters (schemas, seed data), as one transaction.
  void executeScript(StringView sql);

 private:
  struct Statement;
  [[noreturn]] void fail(int resultCode) const;

  String path_;
  void* db_ = nullptr;  // sqlite3*; kept out of the header so users need not link sqlite3
};

}  // namespace lv8int
