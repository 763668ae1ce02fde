// lv8: the administrators' tool for a configuration tree, the registry and the type description.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "Command.h"
#include "platform/automation/AutomationError.h"

namespace lv8tool {
namespace {
struct Entry {
  std::string usage;
  CommandFn fn;
};
std::map<std::string, Entry>& commands() {
  static std::map<std::string, Entry> table;
  return table;
}
}  // namespace

Command::Command(const char* name, const char* usage, CommandFn fn) { commands()[name] = {usage, fn}; }

void printLine(const lv8int::String& text) {
  std::string out = lv8int::toUtf8(text);
  out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int exitCode(int result, const char* usage) {
  if (result < 0) {
    std::fputs(usage, stderr);
    return 2;
  }
  return std::fflush(stdout) == 0 ? result : 1;
}

}  // namespace lv8tool

int main(int argc, char** argv) {
  using namespace lv8tool;
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "help") {
    std::fprintf(stderr, "usage: lv8 <command> [arguments]\n\ncommands:\n");
    for (const auto& [name, e] : commands()) std::fprintf(stderr, "  %s\n", e.usage.c_str());
    return argc < 2 ? 2 : 0;
  }
  auto it = commands().find(argv[1]);
  if (it == commands().end()) {
    std::fprintf(stderr, "lv8: unknown command '%s' (try lv8 help)\n", argv[1]);
    return 2;
  }
  CommandArgs args(argv + 2, argv + argc);
  try {
    return it->second.fn(args);
  } catch (const lv8int::AutomationError& e) {
    std::fprintf(stderr, "lv8: error %d (%s): %s\n", e.number(), lv8int::toUtf8(e.source()).c_str(),
                 lv8int::toUtf8(e.description()).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lv8: %s\n", e.what());
    return 1;
  }
}
