#include "platform/recordset/ResourceDatabase.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/recordset/JetResourceDatabase.h"
#include "platform/recordset/SqliteDatabase.h"
#include "platform/recordset/SqliteResourceDatabase.h"

namespace lv8int {

namespace {

bool endsWithNoCase(StringView name, StringView suffix) {
  return name.size() >= suffix.size() && equalsNoCase(name.substr(name.size() - suffix.size()), suffix);
}

}  // namespace

bool ResourceDatabase::isSqliteName(StringView name) {
  return endsWithNoCase(name, u".db") || endsWithNoCase(name, u".sqlite") || endsWithNoCase(name, u".sqlite3");
}

void ResourceDatabase::requireTableName(StringView table) {
  const bool plain = !table.empty() && std::all_of(table.begin(), table.end(), [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
  });
  if (!plain) raiseError(err::InvalidProcedureCall, u"LV8INT.ResourceDatabase", u"No resource table is named \"" + String(table) + u"\"");
}

std::unique_ptr<ResourceDatabase> ResourceDatabase::open(StringView path) {
  if (isSqliteName(path)) return std::make_unique<SqliteResourceDatabase>(path);
  return std::make_unique<JetResourceDatabase>(path);
}

const std::vector<String>& ResourceDatabase::tableNames() {
  static const std::vector<String> names{u"strings", u"bitmap", u"icon", u"cursor"};
  return names;
}

void ResourceDatabase::convert(StringView from, StringView to) {
  std::unique_ptr<ResourceDatabase> source = open(from);
  // Built beside the target and renamed over it, so that a failure leaves the target as it was.
  const String temporary = String(to) + u".tmp-" + toString(static_cast<long long>(::getpid()));
  const std::string temporaryFile = toUtf8(temporary);
  std::remove(temporaryFile.c_str());
  try {
    {
      SqliteDatabase target(temporary, {.readOnly = false, .create = true});
      target.execute(u"BEGIN");
      for (const String& table : tableNames()) {
        target.executeScript(u"CREATE TABLE " + table + u" (ID INTEGER PRIMARY KEY, content TEXT)");
        if (!source->hasTable(table)) continue;
        for (const auto& [id, content] : source->rows(table))
          target.execute(u"INSERT INTO " + table + u" (ID, content) VALUES (?1, ?2)", {Variant(id), Variant(content)});
      }
      target.execute(u"COMMIT");
    }
    if (std::rename(temporaryFile.c_str(), toUtf8(to).c_str()) != 0)
      raiseError(err::PathFileAccess, u"LV8INT.ResourceDatabase", u"The store cannot be written: " + String(to));
  } catch (...) {
    std::remove(temporaryFile.c_str());
    throw;
  }
}

}  // namespace lv8int
