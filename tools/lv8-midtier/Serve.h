#pragma once
// The middle-tier server's command line, shared by "lv8 midtier serve" and lv8-midtier:
//   [--listen host:port] [--cert <pem> [--key <pem>]] [--idle-timeout <seconds>]
//   [--session-timeout <seconds>] [--login-delay <milliseconds>]
// It prints "listening on <host>:<port>" once it serves and runs until SIGINT or SIGTERM.
#include <string>
#include <vector>

namespace lv8tool {

int serveMidTier(const std::vector<std::string>& args, const char* usage);

}  // namespace lv8tool
