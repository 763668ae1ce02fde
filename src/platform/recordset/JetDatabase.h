#pragma once
// JetDatabase: a read-only connection to a Jet database file (.mdb) through mdbtools'
// libmdbsql, whose queries answer with an in-memory Recordset.
//
// libmdbsql reads the file as it was when it was opened (its catalog and table definitions are
// read once), cannot use an index (every query scans the whole table) and keeps a little memory
// per query until the connection closes: callers read a table once and keep what they need.
// It cannot tell an empty text from Null: both read as "".
//
// Errors:
//   53                        the file does not exist
//   75                        the file exists but is no Jet database it can open
//   vbObjectError + 0x2101    a query libmdbsql cannot run (its message), for example a table
//                             the database does not have
#include <cstdint>

#include "platform/recordset/Recordset.h"

namespace lv8int {

inline constexpr char16_t kJetErrorSource[] = u"LV8INT.JetDatabase";
inline constexpr int32_t kJetQueryFailed = vbObjectError + 0x2101;

class JetDatabase {
 public:
  explicit JetDatabase(StringView path);
  ~JetDatabase();
  JetDatabase(const JetDatabase&) = delete;
  JetDatabase& operator=(const JetDatabase&) = delete;

  const String& path() const noexcept { return path_; }

  // Runs one SELECT and returns every row as an open recordset standing on its first record.
  // Columns of the whole-number types (Byte, Integer, Long Integer) come back as Long, every
  // other column as its text.
  Ref<Recordset> query(StringView sql);
  // True when the database has a table of that name (letter case aside).
  bool hasTable(StringView name);

 private:
  String path_;
  void* sql_ = nullptr;  // MdbSQL*; kept out of the header so users need not see mdbtools
};

}  // namespace lv8int
