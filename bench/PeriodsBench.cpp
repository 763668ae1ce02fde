// CPeriods loaded through the sample middle tier (the plug-in created by ProgID and called by
// name, its SQLite query into a recordset, the periods read from it) against sqlite3 itself
// doing what the middle tier's call has to do at the least: open the same file, prepare the
// same statement, step through it and copy the four columns of every row.
//
// The remote middle tier beside the local one: a middle-tier server in this process on
// 127.0.0.1, a call's round trip against the same call in process, and the periods loaded
// through the server against the periods loaded in process.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "SideBySide.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "periods/CPeriods.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "platform/components/MidTierServer.h"
#include "platform/components/PluginLibrary.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/recordset/SqliteDatabase.h"
#include "platform/registry/Registry.h"

namespace {

using namespace lv8int;

constexpr char kQuery[] = "SELECT ID, StartDate, EndDate, Status FROM Periods ORDER BY StartDate, ID";

// A temporary folder with a machine hive in which the sample middle tier is registered, and
// one database of `n` periods per size asked for.
class Sample {
 public:
  Sample() {
    folder_ = std::filesystem::temp_directory_path() / ("lv8bench-periods-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    // The middle-tier server's threads read the registry the process reads: this one, with a
    // user hive of its own (a class the user registered would otherwise win over the sample's).
    ::setenv("LV8INT_REGISTRY", (folder_ / "machine.reg").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    registry_ = std::make_unique<Registry>(fromUtf8((folder_ / "machine.reg").string()),
                                           fromUtf8((folder_ / "user.reg").string()));
    IRegistry::exchangeCurrent(registry_.get());
    String error;
    for (const char* path : {LV8_SAMPLE_MIDTIER_PLUGIN, LV8_MIDTIER_PROBE_PLUGIN}) {
      PluginLibrary* plugin = PluginLibrary::open(fromUtf8(path), error);
      if (!plugin || !plugin->registerServer() || plugin->registerServer()(path) != 0) {
        std::fprintf(stderr, "the plug-in %s cannot be registered: %s\n", path, toUtf8(error).c_str());
        std::abort();
      }
    }
  }
  ~Sample() {
    IRegistry::exchangeCurrent(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // The database of `n` periods, made on first use: 48 periods a year from 1900.
  const std::string& database(int n) {
    auto it = databases_.find(n);
    if (it != databases_.end()) return it->second;
    const std::string file = (folder_ / ("periods-" + std::to_string(n) + ".db")).string();
    SqliteDatabase db(fromUtf8(file), {.readOnly = false, .create = true});
    db.executeScript(u"CREATE TABLE Periods (ID INTEGER PRIMARY KEY, StartDate DATE NOT NULL, "
                     u"EndDate DATE NOT NULL, Status INTEGER NOT NULL DEFAULT 0)");
    // The user the remote benchmarks log in as (kj01, password 1234).
    db.executeScript(u"CREATE TABLE Users (UserID TEXT, UserCode TEXT, UserName TEXT, Password TEXT);"
                     u"INSERT INTO Users VALUES ('101', 'kj01', 'kj01', "
                     u"'8F458A4A945C962A82218B349621882BFB28F639C91DD31B')");
    std::string script = "BEGIN;";
    for (int i = 0; i < n; ++i) {
      const int year = 1900 + i / 48, number = i % 48 + 1;
      const int month = (number - 1) / 4 + 1, day = 1 + (number - 1) % 4 * 7;
      char row[160];
      std::snprintf(row, sizeof row, "INSERT INTO Periods VALUES (%d, '%04d-%02d-%02d', '%04d-%02d-%02d', %d);",
                    year * 100 + number, year, month, day, year, month, day + 6, i % 2);
      script += row;
    }
    script += "COMMIT;";
    sqlite3* raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    sqlite3_exec(raw, script.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    return databases_.emplace(n, file).first->second;
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<Registry> registry_;
  std::map<int, std::string> databases_;
};

Sample& sample() {
  static Sample s;
  return s;
}

struct RawPeriod {
  int id;
  std::string start, end;
  int status;
};

void rawLoad(const std::string& file, std::vector<RawPeriod>& out) {
  out.clear();
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, kQuery, -1, &stmt, nullptr);
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    auto text = [&](int c) {
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                         static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
    };
    out.push_back({sqlite3_column_int(stmt, 0), text(1), text(2), sqlite3_column_int(stmt, 3)});
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

void BM_PeriodsLoad(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string& file = sample().database(n);
  ::setenv("LV8_MIDTIER_DATABASE", file.c_str(), 1);
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  std::vector<RawPeriod> raw;
  raw.reserve(static_cast<size_t>(n));
  lv8bench::sideBySide(
      state, 1,
      [&] {
        Ref<CPeriods> periods = make<CPeriods>();
        periods->LoadPeriods(app);
        if (periods->Count() != n) state.SkipWithError("wrong count");
      },
      [&] {
        rawLoad(file, raw);
        if (static_cast<int>(raw.size()) != n) state.SkipWithError("wrong count");
      });
  ::unsetenv("LV8_MIDTIER_DATABASE");
}
BENCHMARK(BM_PeriodsLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// --- the remote middle tier -------------------------------------------------------------------

// A middle-tier server of this process on a port the system picks, and this thread logged in.
class LocalServer {
 public:
  explicit LocalServer(const std::string& database) {
    ::setenv("LV8_MIDTIER_DATABASE", database.c_str(), 1);
    MidTierServerOptions options;
    options.listen = "127.0.0.1:0";
    server_ = std::make_unique<MidTierServer>(options);
    name = u"127.0.0.1:" + toString(static_cast<long long>(server_->start()));
    Ref<Object> login = ComponentRegistry::instance().createOnServer(u"ZRMSysBase.SysLogin", name);
    login->call(u"CheckLogin", {Variant(u"kj01"), Variant(u"8F458A4A945C962A82218B349621882BFB28F639C91DD31B")});
  }
  ~LocalServer() { ::unsetenv("LV8_MIDTIER_DATABASE"); }
  String name;

 private:
  std::unique_ptr<MidTierServer> server_;
};

void BM_RemoteCallRoundTrip(benchmark::State& state) {
  LocalServer server(sample().database(12));
  Ref<Object> remote = ComponentRegistry::instance().createOnServer(u"LV8Test.Probe", server.name);
  Ref<Object> local = ComponentRegistry::instance().create(u"LV8Test.Probe");
  const Variant text(u"会计期间");
  // On the wall clock: the remote side's work runs on the server's threads.
  lv8bench::sideBySide(
      state, 20,
      [&] {
        if (CStr(remote->call(u"Echo", {text})) != text.rawString()) state.SkipWithError("wrong answer");
      },
      [&] {
        if (CStr(local->call(u"Echo", {text})) != text.rawString()) state.SkipWithError("wrong answer");
      },
      lv8bench::wallNs);
}
BENCHMARK(BM_RemoteCallRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_RemotePeriodsLoad(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  LocalServer server(sample().database(n));
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  const String here = app->MidServerName();
  lv8bench::sideBySide(
      state, 1,
      [&] {
        app->setMidServerName(server.name);
        Ref<CPeriods> periods = make<CPeriods>();
        periods->LoadPeriods(app);
        if (periods->Count() != n) state.SkipWithError("wrong count");
      },
      [&] {
        app->setMidServerName(here);
        Ref<CPeriods> periods = make<CPeriods>();
        periods->LoadPeriods(app);
        if (periods->Count() != n) state.SkipWithError("wrong count");
      },
      lv8bench::wallNs);
  app->setMidServerName(here);
}
BENCHMARK(BM_RemotePeriodsLoad)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
