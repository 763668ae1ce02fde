// Loading a configuration store and reading values from it, against pugixml doing the same
// with the same file: the cost of the registry's checks, case-insensitive names and objects.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/xmlregistry/XMLRegistry.h"

namespace {

using namespace lv8int;

constexpr int kGroups = 20, kKeys = 10, kValues = 10;

struct Sample {
  std::string file;
  std::vector<std::pair<std::string, std::string>> lookups;  // "Gi/Kj", "Vk"

  Sample() {
    auto reg = make<XMLRegistry>();
    for (int g = 0; g < kGroups; ++g)
      for (int k = 0; k < kKeys; ++k) {
        Ref<XMLRegistryKey> key = reg->RootKey()->OpenKey(fromUtf8("Group" + std::to_string(g) + "/Key" + std::to_string(k)), true);
        for (int v = 0; v < kValues; ++v)
          key->AddValue(fromUtf8("Value" + std::to_string(v)), fromUtf8("text of value " + std::to_string(v)));
      }
    file = (std::filesystem::temp_directory_path() / ("lv8bench-" + std::to_string(::getpid()) + ".xml")).string();
    reg->Save(fromUtf8(file));
    for (int i = 0; i < 100; ++i)
      lookups.emplace_back("Group" + std::to_string(i * 7 % kGroups) + "/Key" + std::to_string(i * 3 % kKeys),
                           "Value" + std::to_string(i % kValues));
  }
  ~Sample() { std::remove(file.c_str()); }
};

const Sample& sample() {
  static Sample s;
  return s;
}

void RegistryLoadAndLookup(benchmark::State& state) {
  const Sample& s = sample();
  std::vector<std::pair<String, String>> lookups;
  for (const auto& [path, name] : s.lookups) lookups.emplace_back(fromUtf8(path), fromUtf8(name));
  const String file = fromUtf8(s.file);
  for (auto _ : state) {
    auto reg = make<XMLRegistry>();
    if (!reg->Load(file)) state.SkipWithError("load failed");
    size_t found = 0;
    for (const auto& [path, name] : lookups) {
      Ref<XMLRegistryKey> key = reg->RootKey()->OpenKey(path, false);
      if (key && key->findValue(name)) ++found;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(RegistryLoadAndLookup);

pugi::xml_node pugiOpen(pugi::xml_node key, const std::string& path) {
  size_t start = 0;
  while (key && start < path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    key = key.find_child_by_attribute("key", "name", path.substr(start, slash - start).c_str());
    start = slash + 1;
  }
  return key;
}

void PugixmlLoadAndLookup(benchmark::State& state) {
  const Sample& s = sample();
  for (auto _ : state) {
    pugi::xml_document doc;
    if (!doc.load_file(s.file.c_str())) state.SkipWithError("load failed");
    size_t found = 0;
    for (const auto& [path, name] : s.lookups) {
      pugi::xml_node key = pugiOpen(doc.document_element(), path);
      if (key && key.find_child_by_attribute("value", "name", name.c_str())) ++found;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(PugixmlLoadAndLookup);

void RegistryLookup(benchmark::State& state) {
  const Sample& s = sample();
  auto reg = make<XMLRegistry>();
  reg->Load(fromUtf8(s.file));
  std::vector<std::pair<String, String>> lookups;
  for (const auto& [path, name] : s.lookups) lookups.emplace_back(fromUtf8(path), fromUtf8(name));
  for (auto _ : state) {
    size_t found = 0;
    for (const auto& [path, name] : lookups) {
      Ref<XMLRegistryKey> key = reg->RootKey()->OpenKey(path, false);
      if (key && key->findValue(name)) ++found;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(RegistryLookup);

void PugixmlLookup(benchmark::State& state) {
  const Sample& s = sample();
  pugi::xml_document doc;
  doc.load_file(s.file.c_str());
  for (auto _ : state) {
    size_t found = 0;
    for (const auto& [path, name] : s.lookups) {
      pugi::xml_node key = pugiOpen(doc.document_element(), path);
      if (key && key.find_child_by_attribute("value", "name", name.c_str())) ++found;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(PugixmlLookup);

}  // namespace
