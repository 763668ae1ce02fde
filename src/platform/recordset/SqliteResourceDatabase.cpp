#include "platform/recordset/SqliteResourceDatabase.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "platform/recordset/SqliteDatabase.h"

namespace lv8int {

namespace {

sqlite3* handle(void* db) { return static_cast<sqlite3*>(db); }
sqlite3_stmt* statement(void* stmt) { return static_cast<sqlite3_stmt*>(stmt); }

String columnText(sqlite3_stmt* stmt, int column) {
  const auto* p = static_cast<const char16_t*>(sqlite3_column_text16(stmt, column));
  if (!p) return String();
  return String(p, static_cast<size_t>(sqlite3_column_bytes16(stmt, column)) / 2);
}

// Resets the statement however the step ended, so that it holds no read lock between lookups.
struct ResetOnExit {
  sqlite3_stmt* stmt;
  ~ResetOnExit() { sqlite3_reset(stmt); }
};

}  // namespace

SqliteResourceDatabase::SqliteResourceDatabase(StringView path) : ResourceDatabase(path) { open(); }

SqliteResourceDatabase::~SqliteResourceDatabase() { close(); }

void SqliteResourceDatabase::open() {
  const std::string file = toUtf8(path());
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0)
    raiseError(err::FileNotFound, kSqliteErrorSource, u"The database file does not exist: " + path());
  if (!S_ISREG(st.st_mode))
    raiseError(err::PathFileAccess, kSqliteErrorSource, u"The database path names no file: " + path());
  const int64_t openStart = files::FileIdentity::clockNow();
  std::optional<files::FileIdentity> identity = files::FileIdentity::of(path());
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const String message = db ? fromUtf8(sqlite3_errmsg(db)) : fromUtf8(sqlite3_errstr(rc));
    sqlite3_close(db);
    raiseError(err::PathFileAccess, kSqliteErrorSource,
               u"The database file cannot be opened: " + path() + u" (" + message + u")");
  }
  sqlite3_busy_timeout(db, 1000);
  // SQLite opens lazily: read the schema now, so that a file that is no database fails here.
  const int schema = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (schema != SQLITE_OK) {
    sqlite3_close(db);
    db_ = nullptr;
    if ((schema & 0xFF) == SQLITE_NOTADB)
      raiseError(sqliteErrorNumber(schema), kSqliteErrorSource, u"The file is not a database: " + path());
    raiseError(sqliteErrorNumber(schema), kSqliteErrorSource,
               u"The database cannot be read: " + fromUtf8(sqlite3_errstr(schema)) + u" (" + path() + u")");
  }
  db_ = db;
  // A file changed so recently that another change could keep its identity is opened again at
  // the next lookup.
  opened_ = identity && identity->settledBefore(openStart) ? identity : std::nullopt;
}

void SqliteResourceDatabase::close() noexcept {
  for (auto& [table, stmt] : lookups_) sqlite3_finalize(statement(stmt));
  lookups_.clear();
  sqlite3_close_v2(handle(db_));
  db_ = nullptr;
}

void SqliteResourceDatabase::reopenIfReplaced() {
  const std::optional<files::FileIdentity> now = files::FileIdentity::of(path());
  // A file gone from its path is still read through the open connection.
  if (!now || now == opened_) return;
  close();
  open();
}

void SqliteResourceDatabase::fail(int resultCode) const {
  raiseError(sqliteErrorNumber(resultCode), kSqliteErrorSource,
             u"SQLite error " + toString(resultCode & 0xFF) + u": " + fromUtf8(sqlite3_errmsg(handle(db_))) + u" (" +
                 path() + u")");
}

void* SqliteResourceDatabase::prepare(StringView sql) {
  const std::string text = toUtf8(sql);
  sqlite3_stmt* stmt = nullptr;
  if (int rc = sqlite3_prepare_v3(handle(db_), text.c_str(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                                  &stmt, nullptr);
      rc != SQLITE_OK)
    fail(rc);
  return stmt;
}

std::optional<String> SqliteResourceDatabase::content(StringView table, int32_t id) {
  reopenIfReplaced();
  if (!db_) open();
  auto it = lookups_.find(String(table));
  if (it == lookups_.end()) {
    requireTableName(table);
    it = lookups_.emplace(String(table), prepare(u"SELECT content FROM " + String(table) + u" WHERE ID = ?1 LIMIT 1"))
             .first;
  }
  sqlite3_stmt* stmt = statement(it->second);
  ResetOnExit reset{stmt};
  sqlite3_bind_int(stmt, 1, id);
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_DONE) return std::nullopt;
  if (rc != SQLITE_ROW) fail(rc);
  return columnText(stmt, 0);
}

std::vector<std::pair<int32_t, String>> SqliteResourceDatabase::rows(StringView table) {
  reopenIfReplaced();
  if (!db_) open();
  requireTableName(table);
  sqlite3_stmt* stmt = statement(prepare(u"SELECT ID, content FROM " + String(table) + u" ORDER BY ID, rowid"));
  struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
  } finalize{stmt};
  std::vector<std::pair<int32_t, String>> out;
  while (true) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) fail(rc);
    if (sqlite3_column_type(stmt, 0) != SQLITE_INTEGER) continue;
    const sqlite3_int64 id = sqlite3_column_int64(stmt, 0);
    if (id < INT32_MIN || id > INT32_MAX || (!out.empty() && out.back().first == id)) continue;
    out.emplace_back(static_cast<int32_t>(id), columnText(stmt, 0 + 1));
  }
  return out;
}

bool SqliteResourceDatabase::hasTable(StringView table) {
  reopenIfReplaced();
  if (!db_) open();
  sqlite3_stmt* stmt = statement(prepare(u"SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"));
  struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
  } finalize{stmt};
  const std::string name = toUtf8(table);
  sqlite3_bind_text(stmt, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(rc);
  return rc == SQLITE_ROW;
}

}  // namespace lv8int
