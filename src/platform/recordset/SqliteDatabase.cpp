#include "platform/recordset/SqliteDatabase.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <iterator>
#include <string>

namespace lv8int {

namespace {

sqlite3* handle(void* db) { return static_cast<sqlite3*>(db); }

bool declaredAs(const char* declared, std::initializer_list<const char*> names) {
  if (!declared) return false;
  std::string d(declared);
  for (char& c : d) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // The declared type's first word: "DATE", "DATETIME NOT NULL" ...
  const size_t end = d.find_first_of(" (");
  if (end != std::string::npos) d.resize(end);
  for (const char* n : names)
    if (d == n) return true;
  return false;
}

}  // namespace

struct SqliteDatabase::Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

SqliteDatabase::SqliteDatabase(StringView path, Options options) : path_(path) {
  const std::string file = toUtf8(path_);
  struct stat st{};
  const bool exists = ::stat(file.c_str(), &st) == 0;
  if (!exists && !options.create)
    raiseError(err::FileNotFound, kSqliteErrorSource, u"The database file does not exist: " + path_);
  if (exists && S_ISDIR(st.st_mode))
    raiseError(err::PathFileAccess, kSqliteErrorSource, u"The database path names a folder: " + path_);
  int flags = SQLITE_OPEN_FULLMUTEX;
  if (options.create) flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  else flags |= options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const String message = db ? fromUtf8(sqlite3_errmsg(db)) : fromUtf8(sqlite3_errstr(rc));
    sqlite3_close(db);
    raiseError(err::PathFileAccess, kSqliteErrorSource,
               u"The database file cannot be opened: " + path_ + u" (" + message + u")");
  }
  db_ = db;
  sqlite3_busy_timeout(db, options.busyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(handle(db_)); }

void SqliteDatabase::fail(int resultCode) const {
  const int primary = resultCode & 0xFF;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    raiseError(sqliteErrorNumber(primary), kSqliteErrorSource,
               u"The database is locked by another connection: " + path_);
  if (primary == SQLITE_NOTADB)
    raiseError(sqliteErrorNumber(primary), kSqliteErrorSource, u"The file is not a database: " + path_);
  raiseError(sqliteErrorNumber(primary), kSqliteErrorSource,
             u"SQLite error " + toString(primary) + u": " + fromUtf8(sqlite3_errmsg(handle(db_))) + u" (" + path_ + u")");
}

namespace {

void bindOne(sqlite3_stmt* stmt, int position, const Variant& argument) {
  const Variant value = argument.isObject() ? valueOf(argument) : Variant(argument.deref());
  int rc = SQLITE_OK;
  if (value.isArray()) {
    if (value.arrayElementType() != VarType::Byte) raiseError(err::TypeMismatch, kSqliteErrorSource);
    const std::vector<uint8_t> bytes = value.arrayData() ? value.arrayData()->toBytes() : std::vector<uint8_t>();
    rc = sqlite3_bind_blob64(stmt, position, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  } else {
    switch (value.type()) {
      case VarType::Empty:
      case VarType::Null:
        rc = sqlite3_bind_null(stmt, position);
        break;
      case VarType::Integer:
      case VarType::Long:
      case VarType::Byte:
      case VarType::Boolean:
        rc = sqlite3_bind_int64(stmt, position, value.rawInteger());
        break;
      case VarType::Single:
      case VarType::Double:
        rc = sqlite3_bind_double(stmt, position, value.rawDouble());
        break;
      case VarType::Currency:
        rc = sqlite3_bind_double(stmt, position, static_cast<double>(value.rawInteger()) / 10000.0);
        break;
      case VarType::Date:
      case VarType::String: {
        const std::string text = toUtf8(CStr(value));
        rc = sqlite3_bind_text64(stmt, position, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      }
      default:
        raiseError(err::TypeMismatch, kSqliteErrorSource);
    }
  }
  if (rc != SQLITE_OK)
    raiseError(sqliteErrorNumber(rc), kSqliteErrorSource, u"A parameter cannot be bound: " + fromUtf8(sqlite3_errstr(rc)));
}

// What a column's declared type makes of its values; the same for every row of a statement.
enum class Declared : uint8_t { Other, Boolean, Date };

Declared declaredKind(sqlite3_stmt* stmt, int column) {
  const char* declared = sqlite3_column_decltype(stmt, column);
  if (declaredAs(declared, {"BOOLEAN", "BIT"})) return Declared::Boolean;
  if (declaredAs(declared, {"DATE", "DATETIME", "TIMESTAMP"})) return Declared::Date;
  return Declared::Other;
}

// A TEXT column as automation text. Pure ASCII (codes, dates, most names) widens byte by byte;
// anything else goes through SQLite's own UTF-16 conversion.
String columnText(sqlite3_stmt* stmt, int column) {
  const auto* p = sqlite3_column_text(stmt, column);
  const size_t n = static_cast<size_t>(sqlite3_column_bytes(stmt, column));
  if (!p) return String();
  size_t i = 0;
  while (i < n && p[i] < 0x80) ++i;
  if (i == n) return String(p, p + n);
  const auto* w = static_cast<const char16_t*>(sqlite3_column_text16(stmt, column));
  const int bytes = sqlite3_column_bytes16(stmt, column);
  return w ? String(w, static_cast<size_t>(bytes) / 2) : String();
}

Variant columnValue(sqlite3_stmt* stmt, int column, Declared declared) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
      return Variant::null();
    case SQLITE_INTEGER: {
      const sqlite3_int64 n = sqlite3_column_int64(stmt, column);
      if (declared == Declared::Boolean) return Variant(n != 0);
      if (n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int32_t>(n));
      return Variant(static_cast<double>(n));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(stmt, column));
    case SQLITE_BLOB: {
      const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, column));
      const int n = sqlite3_column_bytes(stmt, column);
      return Variant::byteArray(std::vector<uint8_t>(p, p + n));
    }
    default: {
      if (declared == Declared::Date) {
        // Short ASCII date texts are read in place, without a String made to be thrown away.
        const auto* p = sqlite3_column_text(stmt, column);
        const size_t n = static_cast<size_t>(sqlite3_column_bytes(stmt, column));
        char16_t wide[32];
        size_t i = 0;
        if (p)
          for (; i < n && i < std::size(wide) && p[i] < 0x80; ++i) wide[i] = p[i];
        double d;
        if (p && i == n && dateFromText(StringView(wide, n), d)) return Variant::date(d);
      }
      Variant text(columnText(stmt, column));
      if (declared == Declared::Date) {
        try {
          return Variant::date(CDate(text));
        } catch (const AutomationError&) {
          // Text that reads as no date stays text; a reader's own conversion reports it.
        }
      }
      return text;
    }
  }
}

bool onlySpaceOrComments(const char* tail) {
  const char* p = tail;
  while (*p) {
    if (std::isspace(static_cast<unsigned char>(*p))) {
      ++p;
    } else if (p[0] == '-' && p[1] == '-') {
      while (*p && *p != '\n') ++p;
    } else if (p[0] == '/' && p[1] == '*') {
      const char* end = std::strstr(p + 2, "*/");
      if (!end) return true;  // an unterminated comment runs to the end
      p = end + 2;
    } else if (*p == ';') {
      ++p;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

Ref<Recordset> SqliteDatabase::query(StringView sql, const std::vector<Variant>& parameters) {
  const std::string text = toUtf8(sql);
  Statement s;
  const char* tail = nullptr;
  if (int rc = sqlite3_prepare_v2(handle(db_), text.c_str(), static_cast<int>(text.size() + 1), &s.stmt, &tail);
      rc != SQLITE_OK)
    fail(rc);
  if (!s.stmt) raiseError(err::InvalidProcedureCall, kSqliteErrorSource, u"The statement is empty");
  if (tail && !onlySpaceOrComments(tail))
    raiseError(err::InvalidProcedureCall, kSqliteErrorSource, u"Only one statement can be run at a time");
  const int expected = sqlite3_bind_parameter_count(s.stmt);
  if (static_cast<size_t>(expected) != parameters.size())
    raiseError(err::InvalidProcedureCall, kSqliteErrorSource,
               u"The statement takes " + toString(expected) + u" parameters, not " +
                   toString(static_cast<long long>(parameters.size())));
  for (size_t i = 0; i < parameters.size(); ++i) bindOne(s.stmt, static_cast<int>(i) + 1, parameters[i]);

  const int columns = sqlite3_column_count(s.stmt);
  std::vector<String> names;
  names.reserve(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) names.push_back(fromUtf8(sqlite3_column_name(s.stmt, c)));
  std::vector<Declared> declared;
  declared.reserve(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) declared.push_back(declaredKind(s.stmt, c));
  Ref<Recordset> rs = make<Recordset>(std::move(names));
  std::vector<Variant> row(static_cast<size_t>(columns));  // filled again for every record
  while (true) {
    const int rc = sqlite3_step(s.stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) fail(rc);
    for (int c = 0; c < columns; ++c)
      row[static_cast<size_t>(c)] = columnValue(s.stmt, c, declared[static_cast<size_t>(c)]);
    rs->moveRecordIn(row);
  }
  return rs;
}

int32_t SqliteDatabase::execute(StringView sql, const std::vector<Variant>& parameters) {
  query(sql, parameters);
  return static_cast<int32_t>(sqlite3_changes(handle(db_)));
}

void SqliteDatabase::executeScript(StringView sql) {
  const std::string text = toUtf8(sql);
  auto run = [&](const char* statements) {
    char* message = nullptr;
    const int rc = sqlite3_exec(handle(db_), statements, nullptr, nullptr, &message);
    const String why = message ? fromUtf8(message) : String();
    sqlite3_free(message);
    return std::make_pair(rc, why);
  };
  if (int rc = run("SAVEPOINT lv8script").first; rc != SQLITE_OK) fail(rc);
  const auto [rc, why] = run(text.c_str());
  if (rc != SQLITE_OK) {
    run("ROLLBACK TO lv8script");
    run("RELEASE lv8script");
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) fail(rc);
    raiseError(sqliteErrorNumber(primary), kSqliteErrorSource, u"SQLite error " + toString(primary) + u": " + why +
                                                                    u" (" + path_ + u")");
  }
  if (int r = run("RELEASE lv8script").first; r != SQLITE_OK) fail(r);
}

}  // namespace lv8int
