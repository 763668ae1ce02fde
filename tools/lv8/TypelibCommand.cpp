// lv8 typelib: the library's automation description as IDL text.
#include <cstdio>

#include "Command.h"
#include "typelib/Idl.h"
#include "typelib/TypeLibrary.h"

namespace {

int runTypelib(const lv8tool::CommandArgs& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: lv8 typelib\n");
    return 2;
  }
  std::string idl = lv8int::typelib::toIdl(lv8int::typelib::typeLibrary());
  std::fwrite(idl.data(), 1, idl.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const lv8tool::Command reg("typelib", "typelib                 print the type description as IDL", runTypelib);

}  // namespace
