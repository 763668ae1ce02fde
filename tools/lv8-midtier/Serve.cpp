#include "Serve.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/components/MidTierServer.h"

namespace lv8tool {

namespace {

bool number(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && out >= 0 && out < 1e9;
}

}  // namespace

int serveMidTier(const std::vector<std::string>& args, const char* usage) {
  lv8int::MidTierServerOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) {
      std::fputs(usage, stderr);
      return 2;
    }
    const std::string& v = args[++i];
    double n = 0;
    if (a == "--listen") {
      options.listen = v;
    } else if (a == "--cert") {
      options.certificateFile = v;
    } else if (a == "--key") {
      options.keyFile = v;
    } else if (a == "--idle-timeout" && number(v, n) && n > 0) {
      options.idleTimeout = std::chrono::milliseconds(static_cast<int64_t>(n * 1000));
    } else if (a == "--session-timeout" && number(v, n) && n > 0) {
      options.sessionTimeout = std::chrono::milliseconds(static_cast<int64_t>(n * 1000));
    } else if (a == "--login-delay" && number(v, n)) {
      options.loginDelay = std::chrono::milliseconds(static_cast<int64_t>(n));
    } else {
      std::fputs(usage, stderr);
      return 2;
    }
  }
  if (!options.keyFile.empty() && options.certificateFile.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }
  // The signals that end the server are taken by this thread alone: the server's threads,
  // started below, inherit the mask.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  lv8int::MidTierServer server(options);
  const int port = server.start();
  std::string host = options.listen.substr(0, options.listen.rfind(':'));
  std::printf("listening on %s:%d%s\n", host.c_str(), port, options.certificateFile.empty() ? "" : " (TLS)");
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  server.shutdown();
  std::fprintf(stderr, "lv8-midtier: stopped\n");
  return 0;
}

}  // namespace lv8tool
