#pragma once
// The options of one lv8 command: each command binds its options to its own fields, then parses.
//   OptionParser("lv8 config").operation(o.operation).value("--host", o.host)
//       .flag("--machine", o.machine).parse(args, o.positional)
// A valued option takes the next argument whatever it is; a repeated option keeps the last
// value; "--" ends the options; "-x" and "-" are positional.
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lv8tool {

class OptionParser {
 public:
  // `command` starts the message about an unknown option ("lv8 config: unknown option ...").
  explicit OptionParser(std::string command) : command_(std::move(command)) {}

  // The first argument names the command's operation ("lv8 config get ..."); none is a usage error.
  OptionParser& operation(std::string& into);
  OptionParser& value(std::string name, std::optional<std::string>& into);
  OptionParser& flag(std::string name, bool& into);

  // Fills the bound fields and `positional`. False for an option without its value, or an
  // unknown "--name" (said on standard error): the command answers with its usage.
  bool parse(std::span<const std::string> args, std::vector<std::string>& positional) const;

 private:
  std::string command_;
  std::string* operation_ = nullptr;
  std::vector<std::pair<std::string, std::optional<std::string>*>> values_;
  std::vector<std::pair<std::string, bool*>> flags_;
};

}  // namespace lv8tool
