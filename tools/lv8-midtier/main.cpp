// lv8-midtier: the middle-tier server, on its own (the same as "lv8 midtier serve").
#include <cstdio>
#include <exception>

#include "Serve.h"
#include "platform/automation/AutomationError.h"

int main(int argc, char** argv) {
  static const char kUsage[] =
      "usage: lv8-midtier [--listen host:port] [--cert <pem> [--key <pem>]] [--idle-timeout <s>]\n"
      "                   [--session-timeout <s>] [--login-delay <ms>]\n";
  try {
    return lv8tool::serveMidTier({argv + 1, argv + argc}, kUsage);
  } catch (const lv8int::AutomationError& e) {
    std::fprintf(stderr, "lv8-midtier: error %d (%s): %s\n", e.number(), lv8int::toUtf8(e.source()).c_str(),
                 lv8int::toUtf8(e.description()).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lv8-midtier: %s\n", e.what());
    return 1;
  }
}
