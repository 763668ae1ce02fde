// lv8 selfcheck: loads the library and checks the implemented classes against the description.
#include <dlfcn.h>

#include <cstdio>

#include "Command.h"
#include "typelib/SelfCheck.h"
#include "typelib/TypeLibrary.h"

namespace {

int runSelfcheck(const lv8tool::CommandArgs& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: lv8 selfcheck\n");
    return 2;
  }
  // The file the description was loaded from, so a stale installed copy is easy to spot.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&lv8int::typelib::typeLibrary), &info) && info.dli_fname)
    std::printf("loaded %s\n", info.dli_fname);
  lv8int::typelib::SelfCheckReport report = lv8int::typelib::selfCheck();
  for (const std::string& line : report.lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return report.failures == 0 ? 0 : 1;
}

const lv8tool::Command reg("selfcheck", "selfcheck               check the library's classes against its description",
                           runSelfcheck);

}  // namespace
