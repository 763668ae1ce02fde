// A configuration store against pugixml on the same file, each pair in one run: loading
// (1,000 to 100,000 values), writing the document to memory, and loading plus the durable
// save (temporary file, fsync, rename, fsync of the folder). Each iteration times the subject
// and its anchor, interleaved, and the ratio is reported as "x_pugixml". StoreMemory reports the memory a loaded store
// holds and the peak while loading, against pugixml's document for the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <pugixml.hpp>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sstream>
#include <string>

#include "SideBySide.h"
#include "platform/xmlregistry/XMLRegistry.h"

// Every allocation of the process (the library's, pugixml's) is counted while StoreMemory
// runs; the timed benchmarks run uncounted.
namespace {
std::atomic<bool> counting{false};
std::atomic<long long> liveBytes{0}, peakBytes{0};
void* counted(void* p) {
  if (!p || !counting.load(std::memory_order_relaxed)) return p;
  long long now = liveBytes += static_cast<long long>(malloc_usable_size(p));
  long long peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void uncounted(void* p) {
  if (p && counting.load(std::memory_order_relaxed)) liveBytes -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(size_t n) {
  if (void* p = counted(std::malloc(n ? n : 1))) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }
// The other forms too, so that whatever a library allocates with (gRPC uses the nothrow form)
// is released through the same pair.
void* operator new(size_t n, const std::nothrow_t&) noexcept { return counted(std::malloc(n ? n : 1)); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return counted(std::malloc(n ? n : 1)); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void* operator new(size_t n, std::align_val_t a) {
  const size_t align = std::max(static_cast<size_t>(a), sizeof(void*));
  if (void* p = counted(std::aligned_alloc(align, (std::max<size_t>(n, 1) + align - 1) / align * align))) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { uncounted(p); }

namespace {

using namespace lv8int;

const bool pugiCounted = [] {
  pugi::set_memory_management_functions([](size_t n) { return counted(std::malloc(n)); }, uncounted);
  return true;
}();

// Runs `subject` and `anchor` once each per iteration of the benchmark's loop, alternating
// which goes first, and reports both times per run and their ratio. Durable writes wait for the
// disk, so they are timed on the wall clock; the rest on the thread's CPU time, so that a busy
// machine skews neither side.
template <class S, class A>
void paired(benchmark::State& state, bool wall, S&& subject, A&& anchor) {
  const auto [subjectNs, anchorNs] = lv8bench::interleaved(state, 1, wall ? lv8bench::wallNs : lv8bench::cpuNs, subject, anchor);
  const auto n = static_cast<double>(state.iterations());
  state.counters["ours_us"] = subjectNs / n / 1000;
  state.counters["pugixml_us"] = anchorNs / n / 1000;
  state.counters["x_pugixml"] = subjectNs / anchorNs;
}

// A store of `values` values, 100 to a key under 10 groups, with texts like a host's.
struct StoreFile {
  std::string path;
  explicit StoreFile(int values) {
    auto reg = make<XMLRegistry>();
    for (int i = 0; i < values; ++i) {
      Ref<XMLRegistryKey> key = reg->RootKey()->OpenKey(
          fromUtf8("Group" + std::to_string(i / 100 % 10) + "/Key" + std::to_string(i / 1000)), true);
      key->AddValue(fromUtf8("Value" + std::to_string(i % 1000)),
                    fromUtf8("text of value " + std::to_string(i) + " \xe4\xb8\xad\xe6\x96\x87"));
    }
    path = (std::filesystem::temp_directory_path() /
            ("lv8bench-store-" + std::to_string(::getpid()) + "-" + std::to_string(values) + ".xml"))
               .string();
    reg->Save(fromUtf8(path));
  }
  ~StoreFile() {
    std::remove(path.c_str());
    std::remove((path + ".lock").c_str());
  }
};

const StoreFile& storeOf(int values) {
  static StoreFile s1(1000), s10(10000), s100(100000);
  return values == 1000 ? s1 : values == 10000 ? s10 : s100;
}

void StoreLoad(benchmark::State& state) {
  const StoreFile& file = storeOf(static_cast<int>(state.range(0)));
  const String path = fromUtf8(file.path);
  paired(
      state, false,
      [&] {
        auto reg = make<XMLRegistry>();
        if (!reg->Load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(reg);
      },
      [&] {
        pugi::xml_document doc;
        if (!doc.load_file(file.path.c_str())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc);
      });
}
BENCHMARK(StoreLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void StoreToXml(benchmark::State& state) {
  const StoreFile& file = storeOf(static_cast<int>(state.range(0)));
  auto reg = make<XMLRegistry>();
  reg->Load(fromUtf8(file.path));
  pugi::xml_document doc;
  doc.load_file(file.path.c_str());
  paired(
      state, false, [&] { benchmark::DoNotOptimize(reg->toXml()); },
      [&] {
        std::ostringstream out;
        doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
        benchmark::DoNotOptimize(out.str());
      });
}
BENCHMARK(StoreToXml)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// pugixml's side of a durable save: the same steps the library's atomic write takes.
void durablePugixmlSave(const pugi::xml_document& doc, const std::string& path) {
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  const std::string bytes = out.str();
  const std::string temp = path + ".pugi.tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fsync(fd) != 0)
    std::abort();
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) std::abort();
  int dir = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ::fsync(dir);
  ::close(dir);
}

void StoreLoadAndDurableSave(benchmark::State& state) {
  const StoreFile& file = storeOf(static_cast<int>(state.range(0)));
  const String path = fromUtf8(file.path);
  const std::string copy = file.path + ".anchor.xml";
  std::filesystem::copy_file(file.path, copy, std::filesystem::copy_options::overwrite_existing);
  paired(
      state, true,
      [&] {
        auto reg = make<XMLRegistry>();
        reg->Load(path);
        reg->RootKey()->AddValue(u"Changed", u"1");
        reg->Save(path);
      },
      [&] {
        pugi::xml_document doc;
        doc.load_file(copy.c_str());
        doc.document_element().append_child("value").append_attribute("name").set_value("Changed");
        durablePugixmlSave(doc, copy);
      });
  std::remove(copy.c_str());
}
BENCHMARK(StoreLoadAndDurableSave)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Bytes held after loading, and the peak during the load, for the store and for pugixml.
void StoreMemory(benchmark::State& state) {
  const StoreFile& file = storeOf(static_cast<int>(state.range(0)));
  auto measure = [](auto&& load) {
    const long long before = liveBytes.load();
    peakBytes = before;
    auto held = load();
    const long long kept = liveBytes.load() - before, peak = peakBytes.load() - before;
    benchmark::DoNotOptimize(held);
    return std::pair{kept, peak};
  };
  std::pair<long long, long long> store{}, pugi{};
  counting = true;  // everything measured is made and freed while counting
  for (auto _ : state) {
    store = measure([&] {
      auto reg = make<XMLRegistry>();
      reg->Load(fromUtf8(file.path));
      return reg;
    });
    pugi = measure([&] {
      auto doc = std::make_unique<pugi::xml_document>();
      doc->load_file(file.path.c_str());
      return doc;
    });
  }
  counting = false;
  state.counters["store_MB"] = static_cast<double>(store.first) / 1e6;
  state.counters["store_peak_MB"] = static_cast<double>(store.second) / 1e6;
  state.counters["pugixml_MB"] = static_cast<double>(pugi.first) / 1e6;
  state.counters["pugixml_peak_MB"] = static_cast<double>(pugi.second) / 1e6;
  state.counters["x_kept"] = static_cast<double>(store.first) / static_cast<double>(pugi.first);
  state.counters["x_peak"] = static_cast<double>(store.second) / static_cast<double>(pugi.second);
}
BENCHMARK(StoreMemory)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
