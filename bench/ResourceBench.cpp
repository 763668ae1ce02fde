// GResman.GetString against one raw lookup of the library beneath each store, in the same run
// (thread CPU time; the ratio is the counter "x_baseline", below 1 when GetString is faster):
//  - a Jet store of 10,000 strings against one libmdbsql query for the same row;
//  - the same strings in an SQLite store against one prepared sqlite3 lookup.
// No Linux tool writes .mdb files: the 10,000-row store is made at start from the fixture by
// packing rows with libmdb's row writer into new data pages appended to the file and marking
// them in the table's page-usage map.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <mdbsql.h>
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/recordset/ResourceDatabase.h"
#include "resources/GResman.h"
#include "SideBySide.h"

namespace {

using namespace lv8int;
namespace fs = std::filesystem;

constexpr int kRows = 10000;
constexpr int32_t kLookedUp = 10995;  // the last row added

using lv8bench::cpuNs;

// The subject under the benchmark's loop, then the baseline at most `baselineRuns` times (a
// libmdbsql query takes milliseconds), reported per operation with their ratio.
template <class S, class B>
void paired(benchmark::State& state, S&& subject, B&& baseline, int64_t baselineRuns) {
  const double t0 = cpuNs();
  for (auto _ : state) subject();
  const auto n = static_cast<int64_t>(state.iterations());
  const double subjectNs = (cpuNs() - t0) / static_cast<double>(n);
  const int64_t m = std::max<int64_t>(1, std::min(n, baselineRuns));
  const double t1 = cpuNs();
  for (int64_t i = 0; i < m; ++i) baseline();
  const double baseNs = (cpuNs() - t1) / static_cast<double>(m);
  state.counters["baseline_ns"] = baseNs;
  state.counters["x_baseline"] = subjectNs / baseNs;
}

// Fills the fixture's strings table up to `rows` rows with IDs from 1001 on.
void growStrings(const std::string& file, int rows) {
  MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
  if (!mdb) throw std::runtime_error("cannot open " + file);
  MdbTableDef* table = mdb_read_table_by_name(mdb, const_cast<char*>("strings"), MDB_TABLE);
  GPtrArray* columns = table && table->columns ? table->columns : mdb_read_columns(table);
  const unsigned pageSize = mdb->fmt->pg_size;
  // Usage map of type 1: byte 0 is 1, then the numbers of the map pages; page p is bit p of the
  // first map page's bitmap, which starts 4 bytes into that page.
  if (table->map_sz < 5 || table->usage_map[0] != 1) throw std::runtime_error("unexpected usage map");
  const unsigned mapPage = static_cast<unsigned>(mdb_get_int32(table->usage_map, 1));
  const int fd = ::open(file.c_str(), O_RDWR);
  std::vector<unsigned char> map(pageSize);
  if (::pread(fd, map.data(), pageSize, static_cast<off_t>(mapPage) * pageSize) != static_cast<ssize_t>(pageSize))
    throw std::runtime_error("cannot read the usage map");
  unsigned page = static_cast<unsigned>(::lseek(fd, 0, SEEK_END) / pageSize);
  int have = static_cast<int>(table->num_rows);
  int32_t id = 1000;
  unsigned char row[4096];
  while (have < rows) {
    void* fresh = mdb_new_data_pg(table->entry);
    std::memcpy(mdb->pg_buf, fresh, pageSize);
    g_free(fresh);
    for (int onPage = 0; have < rows; ++onPage) {
      const std::string text = "resource text " + std::to_string(id + 1);
      std::vector<unsigned char> ucs2;
      for (char c : text) ucs2.insert(ucs2.end(), {static_cast<unsigned char>(c), 0});
      int32_t value = id + 1;
      MdbField fields[2]{};
      for (int c = 0; c < 2; ++c) {
        fields[c].colnum = c;
        fields[c].is_fixed = static_cast<MdbColumn*>(g_ptr_array_index(columns, c))->is_fixed;
      }
      fields[0].value = &value;
      fields[0].siz = 4;
      fields[1].value = ucs2.data();
      fields[1].siz = static_cast<int>(ucs2.size());
      const int size = mdb_pack_row(table, row, 2, fields);
      // libmdb's free-space count is wrong for a page without rows: the first row always fits.
      if (onPage > 0 && mdb_pg_get_freespace(mdb) < size + 2) break;
      mdb_add_row_to_pg(table, row, size);
      ++id;
      ++have;
    }
    if (page >= (pageSize - 4) * 8) throw std::runtime_error("the usage map's first page is full");
    ::pwrite(fd, mdb->pg_buf, pageSize, static_cast<off_t>(page) * pageSize);
    map[4 + page / 8] |= static_cast<unsigned char>(1u << (page % 8));
    ++page;
  }
  ::pwrite(fd, map.data(), pageSize, static_cast<off_t>(mapPage) * pageSize);
  ::close(fd);
  mdb_free_tabledef(table);
  mdb_close(mdb);
}

struct Stores {
  fs::path dir;
  std::string mdb, db;
  Stores() {
    dir = fs::temp_directory_path() / ("lv8bench-resman-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    mdb = (dir / "big.mdb").string();
    db = (dir / "big.db").string();
    fs::copy_file(std::string(LV8_BENCH_FIXTURES) + "/resources/strings.mdb", mdb);
    fs::permissions(mdb, fs::perms::owner_write, fs::perm_options::add);
    growStrings(mdb, kRows);
    ResourceDatabase::convert(fromUtf8(mdb), fromUtf8(db));
    if (ResourceDatabase::open(fromUtf8(mdb))->rows(u"strings").size() != kRows)
      throw std::runtime_error("the grown store does not hold " + std::to_string(kRows) + " strings");
    // One list per store, each in a folder of its own beside the stores.
    for (const char* name : {"big.mdb", "big.db"}) {
      fs::create_directories(dir / (std::string(name) + ".d"));
      std::ofstream(dir / (std::string(name) + ".d") / "resource.ini") << "[resource]\n0=../" << name << "\n";
    }
  }
  ~Stores() { fs::remove_all(dir); }
  String ini(const char* store) const { return fromUtf8((dir / (std::string(store) + ".d") / "resource.ini").string()); }
};

const Stores& stores() {
  static Stores s;
  return s;
}

void BM_GetString_Jet10000(benchmark::State& state) {
  Ref<GResman> resman = make<GResman>(stores().ini("big.mdb"));
  std::string file = stores().mdb;
  MdbSQL* sql = mdb_sql_init();
  mdb_sql_open(sql, file.data());
  const std::string query = "select content from strings where ID=" + std::to_string(kLookedUp);
  paired(
      state, [&] { benchmark::DoNotOptimize(resman->GetString(kLookedUp)); },
      [&] {
        mdb_sql_run_query(sql, query.c_str());
        std::string text;
        while (mdb_sql_fetch_row(sql, sql->cur_table))
          text = static_cast<const char*>(g_ptr_array_index(sql->bound_values, 0));
        mdb_sql_reset(sql);
        benchmark::DoNotOptimize(text);
      },
      20);
  mdb_sql_exit(sql);
}
BENCHMARK(BM_GetString_Jet10000);

void BM_GetString_Sqlite10000(benchmark::State& state) {
  Ref<GResman> resman = make<GResman>(stores().ini("big.db"));
  sqlite3* db = nullptr;
  sqlite3_open_v2(stores().db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "SELECT content FROM strings WHERE ID = ?1", -1, &stmt, nullptr);
  paired(
      state, [&] { benchmark::DoNotOptimize(resman->GetString(kLookedUp)); },
      [&] {
        sqlite3_bind_int(stmt, 1, kLookedUp);
        std::string text;
        if (sqlite3_step(stmt) == SQLITE_ROW)
          text.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                      static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(text);
      },
      INT64_MAX);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}
BENCHMARK(BM_GetString_Sqlite10000);

}  // namespace
