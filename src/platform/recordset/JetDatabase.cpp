#include "platform/recordset/JetDatabase.h"

#include <mdbsql.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace lv8int {

namespace {

MdbSQL* handle(void* sql) { return static_cast<MdbSQL*>(sql); }

// libmdbsql's parser keeps its state in globals: one query at a time in the process.
std::mutex& parserLock() {
  static std::mutex lock;
  return lock;
}

bool isWholeNumberType(int type) { return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT; }

// The type of a selected column, found by name in the table it comes from.
int columnType(MdbTableDef* table, const char* name) {
  if (!table || !table->columns || !name) return MDB_TEXT;
  for (unsigned i = 0; i < table->columns->len; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    if (g_ascii_strcasecmp(col->name, name) == 0) return col->col_type;
  }
  return MDB_TEXT;
}

Variant cellValue(const char* text, int type) {
  if (!text) return Variant(String());
  if (isWholeNumberType(type)) {
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);
    if (end != text && *end == '\0' && n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int32_t>(n));
  }
  return Variant(fromUtf8(text));
}

}  // namespace

JetDatabase::JetDatabase(StringView path) : path_(path) {
  std::string file = toUtf8(path_);
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0)
    raiseError(err::FileNotFound, kJetErrorSource, u"The database file does not exist: " + path_);
  if (!S_ISREG(st.st_mode))
    raiseError(err::PathFileAccess, kJetErrorSource, u"The database path names no file: " + path_);
  std::lock_guard<std::mutex> guard(parserLock());
  MdbSQL* sql = mdb_sql_init();
  if (!sql || !mdb_sql_open(sql, file.data())) {
    if (sql) mdb_sql_exit(sql);
    raiseError(err::PathFileAccess, kJetErrorSource, u"The file is no Jet database that can be opened: " + path_);
  }
  sql_ = sql;
}

JetDatabase::~JetDatabase() {
  if (!sql_) return;
  std::lock_guard<std::mutex> guard(parserLock());
  mdb_sql_exit(handle(sql_));
}

Ref<Recordset> JetDatabase::query(StringView sqlText) {
  std::string text = toUtf8(sqlText);
  std::lock_guard<std::mutex> guard(parserLock());
  MdbSQL* sql = handle(sql_);
  mdb_sql_reset(sql);
  // The query binds every selected column to a buffer of its own (bound_values).
  if (!mdb_sql_run_query(sql, text.c_str()) || mdb_sql_has_error(sql) || !sql->cur_table) {
    const String why = mdb_sql_has_error(sql) ? fromUtf8(mdb_sql_last_error(sql)) : String(u"no table was read");
    mdb_sql_reset(sql);
    raiseError(kJetQueryFailed, kJetErrorSource, u"The query cannot be run: " + why + u" (" + path_ + u")");
  }
  std::vector<String> names;
  std::vector<int> types;
  for (unsigned i = 0; i < sql->num_columns; ++i) {
    auto* col = static_cast<MdbSQLColumn*>(g_ptr_array_index(sql->columns, i));
    names.push_back(fromUtf8(col->name ? col->name : ""));
    types.push_back(columnType(sql->cur_table, col->name));
  }
  Ref<Recordset> rs = make<Recordset>(names);
  while (mdb_sql_fetch_row(sql, sql->cur_table)) {
    std::vector<Variant> row;
    row.reserve(names.size());
    for (unsigned i = 0; i < sql->num_columns; ++i) {
      const char* value = i < sql->bound_values->len ? static_cast<const char*>(g_ptr_array_index(sql->bound_values, i))
                                                      : nullptr;
      row.push_back(cellValue(value, types[i]));
    }
    rs->addRecord(std::move(row));
  }
  mdb_sql_reset(sql);
  return rs;
}

bool JetDatabase::hasTable(StringView name) {
  const std::string wanted = toUtf8(name);
  std::lock_guard<std::mutex> guard(parserLock());
  MdbHandle* mdb = handle(sql_)->mdb;
  // Queries read the catalog when they need it; reading it again while a query's table
  // definition points into it would free entries under it, so it is read only when missing.
  if (!mdb) return false;
  if (!mdb->catalog && !mdb_read_catalog(mdb, MDB_TABLE)) return false;
  for (unsigned i = 0; i < mdb->catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, wanted.c_str()) == 0) return true;
  }
  return false;
}

}  // namespace lv8int
