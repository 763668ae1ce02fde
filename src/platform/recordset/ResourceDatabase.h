#pragma once
// ResourceDatabase: a read-only resource store: the tables strings, bitmap, icon and cursor,
// each with a whole-number ID and a text content. A Jet file (.mdb) or, authored on Linux, an
// SQLite file (.db, .sqlite, .sqlite3) with the same tables.
//
// Every answer is what a query of the file would answer at that moment, also after the file
// was replaced or rewritten while the store is open (see JetResourceDatabase and
// SqliteResourceDatabase for how each stays current without querying the file every time).
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int {

class ResourceDatabase {
 public:
  virtual ~ResourceDatabase() = default;

  // True for the names of SQLite stores: ending in .db, .sqlite or .sqlite3 (any letter case).
  static bool isSqliteName(StringView name);
  // Opens the store, SQLite by its name and Jet otherwise. Raises the database's error when the
  // file is missing (53) or cannot be opened as such a database (75 or the database's own).
  static std::unique_ptr<ResourceDatabase> open(StringView path);

  // The four tables of a store, in the order a store lists them.
  static const std::vector<String>& tableNames();

  // Writes the four tables of the store at `from` (Jet or SQLite) into a new SQLite store at
  // `to`, each as (ID INTEGER PRIMARY KEY, content TEXT) holding the first row of each ID. A
  // table the source lacks is created empty. `to` is replaced atomically: it holds either its
  // old content or the whole new store.
  static void convert(StringView from, StringView to);

  const String& path() const noexcept { return path_; }
  // True when the store has the table (a lookup in a table it lacks raises).
  virtual bool hasTable(StringView table) = 0;

  // The content of the first row of `table` whose ID is `id`; nothing when there is none. A
  // table the store does not have raises the database's query error.
  virtual std::optional<String> content(StringView table, int32_t id) = 0;
  // Every row of `table` as (ID, content), in ascending ID order, each ID once (its first row).
  virtual std::vector<std::pair<int32_t, String>> rows(StringView table) = 0;

 protected:
  explicit ResourceDatabase(StringView path) : path_(path) {}
  // Table names are spliced into query texts: anything but a plain identifier is error 5.
  static void requireTableName(StringView table);

 private:
  String path_;
};

}  // namespace lv8int
