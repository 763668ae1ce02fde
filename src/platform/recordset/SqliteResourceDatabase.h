#pragma once
// SqliteResourceDatabase: a resource store in an SQLite file, opened read-only and queried with
// prepared statements kept for the life of the connection. A file replaced under the same name
// (a new inode) or rewritten by something other than SQLite (which SQLite's own change counter
// may not reveal) is opened again at the next lookup: every lookup compares the file's
// identity first, one stat.
#include <optional>
#include <unordered_map>

#include "platform/files/FileIdentity.h"
#include "platform/recordset/ResourceDatabase.h"

namespace lv8int {

class SqliteResourceDatabase : public ResourceDatabase {
 public:
  // Errors as SqliteDatabase's: 53 for a missing file, 75 for one that cannot be opened,
  // vbObjectError + 0x2000 + the SQLite result code otherwise (0x201A: no database).
  explicit SqliteResourceDatabase(StringView path);
  ~SqliteResourceDatabase() override;

  std::optional<String> content(StringView table, int32_t id) override;
  std::vector<std::pair<int32_t, String>> rows(StringView table) override;
  bool hasTable(StringView table) override;

 private:
  void open();
  void close() noexcept;
  void reopenIfReplaced();
  void* prepare(StringView sql);  // sqlite3_stmt*, finalized at close
  [[noreturn]] void fail(int resultCode) const;

  void* db_ = nullptr;                                 // sqlite3*
  std::unordered_map<String, void*> lookups_;          // table -> "SELECT content ... WHERE ID = ?1"
  std::optional<files::FileIdentity> opened_;          // the file the connection reads
};

}  // namespace lv8int
