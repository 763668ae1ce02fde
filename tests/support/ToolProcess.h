#pragma once
// A program of the build (tools/lv8 ...) run as a child process to the end, with what it printed.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lv8int::test {

struct ToolRun {
  int exitCode = -1;  // -1 also when it crashed or did not finish
  std::string out, err;  // UTF-8 as printed
};

// Variables set for the child (a null value removes one); the rest comes from this process.
using ToolEnvironment = std::vector<std::pair<QString, std::optional<QString>>>;

// Runs `program` (relative to the build folder) with `args` and `input` on its standard input.
// A child still running after a minute is killed and reported as not finished.
ToolRun runTool(const std::string& program, const QStringList& args, const ToolEnvironment& environment = {},
                const QByteArray& input = {});

}  // namespace lv8int::test
