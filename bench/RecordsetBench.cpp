// Querying periods into a recordset and reading it by member name, as the library reads a
// middle tier's answer, against sqlite3 doing the same query and reading the same columns:
// the cost of the in-memory copy, the automation values and the late-bound reads.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/automation/Conversions.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/recordset/SqliteDatabase.h"

namespace {

using namespace lv8int;

constexpr int kPeriods = 600;  // fifty years of months
constexpr char kQuery[] = "SELECT ID, StartDate, EndDate, Status FROM Periods WHERE ID >= ?1 ORDER BY StartDate, ID";

struct Sample {
  std::string file;
  Sample() {
    file = (std::filesystem::temp_directory_path() / ("lv8bench-" + std::to_string(::getpid()) + ".db")).string();
    std::remove(file.c_str());
    SqliteDatabase db(fromUtf8(file), {.readOnly = false, .create = true});
    db.executeScript(u"CREATE TABLE Periods (ID INTEGER PRIMARY KEY, StartDate DATE, EndDate DATE, Status INTEGER)");
    db.execute(u"BEGIN");
    for (int i = 0; i < kPeriods; ++i) {
      const int year = 2000 + i / 12, month = i % 12 + 1;
      char start[16], end[16];
      std::snprintf(start, sizeof start, "%04d-%02d-01", year, month);
      std::snprintf(end, sizeof end, "%04d-%02d-28", year, month);
      db.execute(u"INSERT INTO Periods VALUES (?1, ?2, ?3, ?4)",
                 {Variant(static_cast<int32_t>(year * 100 + month)), Variant(fromUtf8(start)), Variant(fromUtf8(end)),
                  Variant(static_cast<int32_t>(i % 2))});
    }
    db.execute(u"COMMIT");
  }
  ~Sample() { std::remove(file.c_str()); }
};

const Sample& sample() {
  static Sample s;
  return s;
}

// The query and a walk by name: RecordCount, MoveFirst, Fields(...).Value and MoveNext.
void RecordsetQueryAndWalk(benchmark::State& state) {
  SqliteDatabase db(fromUtf8(sample().file));
  for (auto _ : state) {
    Ref<Object> rs = db.query(fromUtf8(kQuery), {Variant(int32_t{0})});
    int64_t sum = 0;
    const int32_t count = recordsets::recordCount(*rs);
    recordsets::moveFirst(*rs);
    for (int32_t i = 0; i < count; ++i) {
      sum += CLng(recordsets::fieldValue(*rs, Variant(u"ID")));
      sum += static_cast<int64_t>(CDate(recordsets::fieldValue(*rs, Variant(u"StartDate"))));
      sum += static_cast<int64_t>(CDate(recordsets::fieldValue(*rs, Variant(u"EndDate"))));
      sum += CLng(recordsets::fieldValue(*rs, Variant(u"Status")));
      recordsets::moveNext(*rs);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPeriods);
}
BENCHMARK(RecordsetQueryAndWalk);

// The query alone into the in-memory recordset (dates converted, nothing read back).
void RecordsetQuery(benchmark::State& state) {
  SqliteDatabase db(fromUtf8(sample().file));
  for (auto _ : state) {
    Ref<Recordset> rs = db.query(fromUtf8(kQuery), {Variant(int32_t{0})});
    benchmark::DoNotOptimize(rs->size());
  }
  state.SetItemsProcessed(state.iterations() * kPeriods);
}
BENCHMARK(RecordsetQuery);

// sqlite3 itself: the same statement, prepared each time, and the same four columns read.
void Sqlite3QueryAndRead(benchmark::State& state) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(sample().file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    state.SkipWithError("open failed");
    return;
  }
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kQuery, -1, &stmt, nullptr);
    sqlite3_bind_int(stmt, 1, 0);
    int64_t sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      sum += sqlite3_column_int(stmt, 0);
      sum += static_cast<int64_t>(sqlite3_column_bytes(stmt, 1));
      benchmark::DoNotOptimize(sqlite3_column_text(stmt, 1));
      benchmark::DoNotOptimize(sqlite3_column_text(stmt, 2));
      sum += sqlite3_column_int(stmt, 3);
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kPeriods);
}
BENCHMARK(Sqlite3QueryAndRead);

}  // namespace
