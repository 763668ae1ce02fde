#include "support/ChildProcess.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace lv8int::test {

std::vector<std::string> commandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  size_t start = 0;
  while (start < all.size()) {
    const size_t end = all.find('\0', start);
    args.push_back(all.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return args;
}

std::optional<std::string> commandLineOption(std::string_view name) {
  const std::string prefix = "--" + std::string(name) + "=";
  for (const std::string& a : commandLine())
    if (a.compare(0, prefix.size(), prefix) == 0) return a.substr(prefix.size());
  return std::nullopt;
}

std::string selfExecutable() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

}  // namespace lv8int::test
