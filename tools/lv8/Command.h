#pragma once
// Sub-commands of the lv8 tool register themselves: one file per command group.
//   static const Command reg("typelib", "print the type description as IDL", runTypelib);
#include <string>
#include <vector>

namespace lv8tool {

using CommandArgs = std::vector<std::string>;
using CommandFn = int (*)(const CommandArgs& args);

struct Command {
  Command(const char* name, const char* usage, CommandFn fn);
};

}  // namespace lv8tool
