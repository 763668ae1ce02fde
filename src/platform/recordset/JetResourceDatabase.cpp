#include "platform/recordset/JetResourceDatabase.h"

#include <algorithm>

#include "platform/automation/Conversions.h"

namespace lv8int {

namespace {

// A file that changes while it is read is read again; one that never settles is served as read
// and read again on the next lookup.
constexpr int kReadAttempts = 3;

}  // namespace

JetResourceDatabase::JetResourceDatabase(StringView path) : ResourceDatabase(path) {
  opened_ = files::FileIdentity::of(path);
  db_ = std::make_unique<JetDatabase>(path);
}

void JetResourceDatabase::load(JetDatabase& db, StringView table, Table& into) const {
  Ref<Recordset> rs = db.query(u"select ID, content from " + String(table));
  into.byId.clear();
  into.byId.reserve(rs->size());
  for (; !rs->atEOF(); rs->MoveNext()) {
    const Variant& id = rs->value(0);
    if (id.type() != VarType::Long) continue;  // a row without a whole-number ID answers no lookup
    into.byId.emplace(id.rawInteger(), CStr(rs->value(1)));  // the first row of an ID counts
  }
  into.loaded = true;
}

const JetResourceDatabase::Table& JetResourceDatabase::current(StringView table) {
  requireTableName(table);
  auto it = tables_.find(String(table));
  if (it == tables_.end()) it = tables_.emplace(String(table), Table{}).first;
  Table& t = it->second;

  std::optional<files::FileIdentity> now = files::FileIdentity::of(path());
  if (t.loaded && (!now || now == t.identity)) return t;
  if (!now) {
    // Gone from its path: the open connection still reads what was opened.
    load(*db_, table, t);
    t.identity = std::nullopt;
    return t;
  }
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    const int64_t readStart = files::FileIdentity::clockNow();
    if (now != opened_) {
      // libmdbsql keeps the catalog it read at opening: a changed file needs a new connection.
      // Until it opens, the old one stays, and the failure reaches the caller.
      auto fresh = std::make_unique<JetDatabase>(path());
      db_ = std::move(fresh);
      opened_ = now;
      for (auto& [name, other] : tables_) other.loaded = false;
    }
    load(*db_, table, t);
    std::optional<files::FileIdentity> after = files::FileIdentity::of(path());
    if (after == now) {
      if (now->settledBefore(readStart)) {
        t.identity = now;
      } else {
        // Changed so recently that another change could keep this identity: the next
        // lookup opens and reads the file again.
        t.identity = std::nullopt;
        opened_ = std::nullopt;
      }
      return t;
    }
    if (!after) break;
    now = after;
  }
  t.identity = std::nullopt;  // read while it changed: read it again next time
  t.loaded = true;
  return t;
}

std::optional<String> JetResourceDatabase::content(StringView table, int32_t id) {
  const Table& t = current(table);
  auto it = t.byId.find(id);
  if (it == t.byId.end()) return std::nullopt;
  return it->second;
}

std::vector<std::pair<int32_t, String>> JetResourceDatabase::rows(StringView table) {
  const Table& t = current(table);
  std::vector<std::pair<int32_t, String>> out(t.byId.begin(), t.byId.end());
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return out;
}

bool JetResourceDatabase::hasTable(StringView table) { return db_->hasTable(table); }

}  // namespace lv8int
