// INI files: any bytes parse and serialize back unchanged; a write changes only its own value.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>

#include "platform/automation/AutomationError.h"
#include "platform/ini/IniFile.h"

using namespace lv8int;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ini::IniFile file = ini::IniFile::parse(bytes);
  if (file.serialize() != bytes) std::abort();

  std::map<std::pair<String, String>, String> before;
  std::vector<String> sections = file.sections();
  for (const String& s : sections)
    for (const String& k : file.keys(s)) {
      std::optional<String> v = file.value(s, k);
      if (!v) std::abort();
      before.emplace(std::make_pair(foldCase(s), foldCase(k)), *v);
    }

  const String section = sections.empty() ? String(u"fuzz") : sections[size % sections.size()];
  const String key = u"FuzzKey";
  const String value = u"v \u4e2d\u0e01";
  try {
    file.write(section, key, value);
  } catch (const AutomationError&) {
    return 0;  // a name the file cannot hold
  }
  ini::IniFile again = ini::IniFile::parse(file.serialize());
  if (again.read(section, key) != value) std::abort();
  for (const auto& [names, v] : before) {
    if (names == std::make_pair(foldCase(section), foldCase(key))) continue;
    if (again.read(names.first, names.second, u"\uFFFF missing") != v) std::abort();
  }
  return 0;
}
