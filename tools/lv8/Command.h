#pragma once
// Sub-commands of the lv8 tool register themselves: one file per command group.
//   static const Command reg("typelib", "print the type description as IDL", runTypelib);
#include <string>
#include <vector>

#include "platform/automation/String.h"

namespace lv8tool {

using CommandArgs = std::vector<std::string>;
using CommandFn = int (*)(const CommandArgs& args);

struct Command {
  Command(const char* name, const char* usage, CommandFn fn);
};

// One line of output, UTF-8.
void printLine(const lv8int::String& text);

// A command's exit code: a negative `result` is a usage error (`usage` on standard error, 2);
// otherwise `result`, or 1 when standard output cannot be written.
int exitCode(int result, const char* usage);

}  // namespace lv8tool
