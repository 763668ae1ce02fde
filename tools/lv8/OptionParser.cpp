#include "OptionParser.h"

#include <cstdio>

namespace lv8tool {
namespace {

// The field bound to the option `name`, or null.
template <class T>
T* bound(const std::vector<std::pair<std::string, T*>>& options, const std::string& name) {
  for (const auto& [n, into] : options)
    if (n == name) return into;
  return nullptr;
}

}  // namespace

OptionParser& OptionParser::operation(std::string& into) {
  operation_ = &into;
  return *this;
}

OptionParser& OptionParser::value(std::string name, std::optional<std::string>& into) {
  values_.emplace_back(std::move(name), &into);
  return *this;
}

OptionParser& OptionParser::flag(std::string name, bool& into) {
  flags_.emplace_back(std::move(name), &into);
  return *this;
}

bool OptionParser::parse(std::span<const std::string> args, std::vector<std::string>& positional) const {
  if (operation_) {
    if (args.empty()) return false;
    *operation_ = args.front();
    args = args.subspan(1);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (std::optional<std::string>* into = bound(values_, a)) {
      if (i + 1 >= args.size()) return false;
      *into = args[++i];
    } else if (bool* set = bound(flags_, a)) {
      *set = true;
    } else if (a.size() > 2 && a.starts_with("--")) {
      std::fprintf(stderr, "%s: unknown option '%s'\n", command_.c_str(), a.c_str());
      return false;
    } else {
      positional.push_back(a);
    }
  }
  return true;
}

}  // namespace lv8tool
