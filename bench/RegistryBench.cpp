// The registry against the plain containers beneath it: loading a .reg hive with many values in
// one key against a line scan of the same file into a hash map, and reading a value against a
// hash-map find. Each subject also times its baseline in the same run (thread CPU time) and
// reports the ratio as the counter "x_baseline"; per-value times that stay the same from one
// size to the next show the load is linear and the read flat.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry/RegFile.h"
#include "platform/registry/Registry.h"
#include "SideBySide.h"

namespace {

using namespace lv8int;

using lv8bench::cpuNs;

// Runs `subject` under the benchmark's loop, then `baseline` as many times; reports both
// per-operation times and their ratio.
template <class S, class B>
void paired(benchmark::State& state, S&& subject, B&& baseline) {
  double t0 = cpuNs();
  for (auto _ : state) subject();
  const auto n = static_cast<int64_t>(state.iterations());
  double subjectNs = (cpuNs() - t0) / static_cast<double>(n);
  t0 = cpuNs();
  for (int64_t i = 0; i < n; ++i) baseline();
  double baseNs = (cpuNs() - t0) / static_cast<double>(n);
  state.counters["subject_ns"] = subjectNs;
  state.counters["baseline_ns"] = baseNs;
  state.counters["x_baseline"] = subjectNs / baseNs;
}

std::string valueName(int i) { return "Value" + std::to_string(i); }

// A hive file as the registry writes it: one key holding `count` values, text and DWORDs.
std::string hiveText(int count) {
  std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench]\n";
  char dword[9];
  for (int i = 0; i < count; ++i) {
    text += "\"" + valueName(i) + "\"=";
    if (i % 4 == 3) {
      std::snprintf(dword, sizeof dword, "%08x", static_cast<unsigned>(i));
      text += std::string("dword:") + dword + "\n";
    } else {
      text += "\"text of value " + std::to_string(i) + "\"\n";
    }
  }
  return text + "\n";
}

// The raw anchor of a load: every `"name"=data` line into a hash map of name to data.
size_t scanIntoMap(const std::string& text) {
  std::unordered_map<std::string, std::string> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    if (text[start] == '"') {
      size_t eq = text.find("\"=", start + 1);
      if (eq != std::string::npos && eq < nl)
        values.insert_or_assign(text.substr(start + 1, eq - start - 1), text.substr(eq + 2, nl - eq - 2));
    }
    start = nl + 1;
  }
  return values.size();
}

void BM_Hive_Load(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = hiveText(count);
  paired(
      state,
      [&] {
        RegistryHive hive;
        regfile::apply(regfile::parse(text).operations, hive);
        benchmark::DoNotOptimize(hive.find(reg::HKEY_LOCAL_MACHINE, {u"SOFTWARE", u"Bench"})->values().size());
      },
      [&] { benchmark::DoNotOptimize(scanIntoMap(text)); });
  state.counters["ns_per_value"] = state.counters["subject_ns"] / count;
}
BENCHMARK(BM_Hive_Load)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

struct Lookups {
  std::vector<String> names;
  std::unordered_map<String, reg::Value> raw;

  explicit Lookups(int count) {
    for (int i = 0; i < count; ++i) {
      String name = fromUtf8(valueName(i));
      raw.emplace(name, reg::Value::string(name, u"text of value"));
    }
    // Names asked for in a scattered order, as callers ask.
    for (int i = 0; i < 1024; ++i) names.push_back(fromUtf8(valueName((i * 7919) % count)));
  }
};

// RegistryKey::value against unordered_map::find, both exact in case.
void BM_Hive_ValueRead(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Lookups l(count);
  RegistryKey key(u"Bench");
  for (int i = 0; i < count; ++i) key.setValue(reg::Value::string(fromUtf8(valueName(i)), u"text of value"));
  size_t i = 0, j = 0;
  paired(
      state, [&] { benchmark::DoNotOptimize(key.value(l.names[i++ & 1023])); },
      [&] { benchmark::DoNotOptimize(l.raw.find(l.names[j++ & 1023])); });
}
BENCHMARK(BM_Hive_ValueRead)->Arg(100)->Arg(10000)->Arg(50000);

// A read through an open handle of a hive file (the freshness check, the key, a copy of the
// value handed out) against a find in a hash map and the same copy.
void BM_Registry_GetValue(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Lookups l(count);
  const std::string file =
      (std::filesystem::temp_directory_path() / ("lv8bench-" + std::to_string(::getpid()) + ".reg")).string();
  std::ofstream(file, std::ios::binary) << hiveText(count);
  {
    Registry registry(fromUtf8(file), {});
    // One save, as any registering program makes, leaves the shared save counter that reads
    // then check.
    {
      reg::OpenedKey other(registry, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Other", true);
      registry.setValue(other.handle(), reg::Value::dword(u"n", 1));
    }
    if (!registry.hiveStatus(reg::HKEY_LOCAL_MACHINE).sharedCounter) state.SkipWithError("no save counter");
    reg::OpenedKey key(registry, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Bench");
    if (!key.ok()) state.SkipWithError("the key is missing");
    reg::Value out, rawOut;
    size_t i = 0, j = 0;
    paired(
        state, [&] { benchmark::DoNotOptimize(registry.getValue(key.handle(), l.names[i++ & 1023], out)); },
        [&] {
          auto it = l.raw.find(l.names[j++ & 1023]);
          if (it != l.raw.end()) rawOut = it->second;
          benchmark::DoNotOptimize(rawOut);
        });
  }
  std::remove(file.c_str());
  std::remove((file + ".lock").c_str());
  std::remove((file + ".saves").c_str());
}
BENCHMARK(BM_Registry_GetValue)->Arg(100)->Arg(10000)->Arg(50000);

}  // namespace
