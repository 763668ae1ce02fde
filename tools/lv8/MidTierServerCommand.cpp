// lv8 midtier serve [--listen host:port] [--cert <pem> [--key <pem>]] [--idle-timeout <s>]
//                   [--session-timeout <s>] [--login-delay <ms>]
//     serves the middle-tier components registered on this computer (see lv8-midtier)
// lv8 midtier ping <server>
//     asks a middle-tier server ("host" or "host:port") how it is: its computer name, its
//     sessions, the objects they hold and the failed logins; error 462 when it does not answer.
#include <cstdio>
#include <string>

#include "Command.h"
#include "Serve.h"
#include "platform/components/RemoteConnection.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;

constexpr char kUsage[] =
    "usage: lv8 midtier serve [--listen host:port] [--cert <pem> [--key <pem>]] [--idle-timeout <s>] "
    "[--session-timeout <s>] [--login-delay <ms>]\n"
    "       lv8 midtier ping <server>\n";

int runMidTier(const CommandArgs& args) {
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (args[0] == "serve") return lv8tool::serveMidTier({args.begin() + 1, args.end()}, kUsage);
  if (args[0] == "ping" && args.size() == 2) {
    RemoteConnection::Status s = RemoteConnection::forServer(fromUtf8(args[1]))->ping();
    std::printf("server\t%s\nsessions\t%llu\nobjects\t%llu\nfailed logins\t%llu\n", toUtf8(s.server).c_str(),
                static_cast<unsigned long long>(s.sessions), static_cast<unsigned long long>(s.objects),
                static_cast<unsigned long long>(s.failedLogins));
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::fputs(kUsage, stderr);
  return 2;
}

const lv8tool::Command midtierReg("midtier", "midtier serve [--listen host:port] [--cert <pem>] | ping <server>  the middle-tier server",
                                  runMidTier);

}  // namespace
