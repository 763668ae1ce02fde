// Opening a compiled help file and reading every page, against chmlib doing the same with the
// same file: the cost of the checked reader and its decoded-frame cache.
#include <benchmark/benchmark.h>
#include <chm_lib.h>

#include <string>
#include <vector>

#include "platform/chm/ChmFile.h"

namespace {

using namespace lv8int;

const std::string kFile = std::string(LV8_BENCH_FIXTURES) + "/help/ledgers.chm";

int collect(chmFile*, chmUnitInfo* ui, void* context) {
  static_cast<std::vector<chmUnitInfo>*>(context)->push_back(*ui);
  return CHM_ENUMERATOR_CONTINUE;
}

void HelpFileOpenAndReadAll(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    std::unique_ptr<chm::ChmFile> file = chm::ChmFile::open(kFile);
    if (!file) {
      state.SkipWithError("open failed");
      return;
    }
    for (const std::string& entry : file->entries())
      if (std::optional<std::string> page = file->read(entry)) bytes += page->size();
  }
  benchmark::DoNotOptimize(bytes);
}
BENCHMARK(HelpFileOpenAndReadAll);

void ChmlibOpenAndReadAll(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    chmFile* file = chm_open(kFile.c_str());
    if (!file) {
      state.SkipWithError("open failed");
      return;
    }
    std::vector<chmUnitInfo> units;
    chm_enumerate(file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collect, &units);
    std::string page;
    for (chmUnitInfo& ui : units) {
      page.resize(static_cast<size_t>(ui.length));
      bytes += static_cast<size_t>(chm_retrieve_object(file, &ui, reinterpret_cast<unsigned char*>(page.data()), 0,
                                                       static_cast<LONGINT64>(ui.length)));
    }
    chm_close(file);
  }
  benchmark::DoNotOptimize(bytes);
}
BENCHMARK(ChmlibOpenAndReadAll);

}  // namespace
