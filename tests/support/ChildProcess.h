#pragma once
// A test program that re-runs itself as a child in a special mode (no QApplication, another
// window system) reads its mode from its command line. These work before main(), so a static
// initializer can act on the mode before the test main creates its QApplication.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lv8int::test {

// The arguments this program was started with, its own name first.
std::vector<std::string> commandLine();
// The value of "--<name>=<value>" on the command line.
std::optional<std::string> commandLineOption(std::string_view name);
// This program's own file.
std::string selfExecutable();

}  // namespace lv8int::test
