#pragma once
// JetResourceDatabase: a resource store in a Jet file. libmdbsql scans a whole table for every
// query and keeps memory per query, so each table is read once into memory and answered from
// there for as long as the file keeps its identity (device, inode, size, modification time to
// the nanosecond). Every lookup checks that identity first (one stat): a file replaced or
// rewritten since is opened again and the table read again, so no answer is ever older than
// the file. A file that can no longer be found is answered from what the open connection read.
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/files/FileIdentity.h"
#include "platform/recordset/JetDatabase.h"
#include "platform/recordset/ResourceDatabase.h"

namespace lv8int {

class JetResourceDatabase : public ResourceDatabase {
 public:
  explicit JetResourceDatabase(StringView path);

  std::optional<String> content(StringView table, int32_t id) override;
  std::vector<std::pair<int32_t, String>> rows(StringView table) override;
  bool hasTable(StringView table) override;

 private:
  struct Table {
    bool loaded = false;
    std::optional<files::FileIdentity> identity;  // the file's state the rows were read from
    std::unordered_map<int32_t, String> byId;
  };
  // The table as the file holds it now.
  const Table& current(StringView table);
  void load(JetDatabase& db, StringView table, Table& into) const;

  std::unique_ptr<JetDatabase> db_;
  std::optional<files::FileIdentity> opened_;  // the file's state when db_ opened it
  std::unordered_map<String, Table> tables_;  // by the table name as asked for
};

}  // namespace lv8int
