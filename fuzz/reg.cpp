// libFuzzer target: .reg file text. Parsing, applying to a hive, writing it out and reading
// that back must neither crash nor change what the hive holds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/registry/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lv8int;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegistryHive hive;
  try {
    regfile::apply(regfile::parse(bytes).operations, hive);
  } catch (const AutomationError&) {
    return 0;  // no header
  }
  for (regfile::Encoding e : {regfile::Encoding::Utf8, regfile::Encoding::Utf16le}) {
    std::string text = regfile::write(hive, {e, e == regfile::Encoding::Utf16le});
    RegistryHive again;
    regfile::Document doc = regfile::parse(text);
    if (!doc.problems.empty()) std::abort();  // what we write must read back cleanly
    regfile::apply(doc.operations, again);
    if (regfile::write(again, {e, false}) != regfile::write(hive, {e, false})) std::abort();
  }
  return 0;
}
