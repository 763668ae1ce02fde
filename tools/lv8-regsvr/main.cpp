// lv8-regsvr: registers a component plug-in (or liblv8int itself) in the registry by calling
// its LV8RegisterServer entry point, or removes the registration with -u.
//   lv8-regsvr [-u] [-s] [--user] <plug-in.so>
// --user registers for the current user alone (their hive's Software\Classes), which needs no
// administrator rights; lookups see it over the machine's registration.
// Exit status: 0 done, 1 bad arguments, 3 the file cannot be loaded, 4 it has no such entry
// point, 5 the entry point failed.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/components/ClassRegistration.h"
#include "platform/components/PluginLibrary.h"
#include "platform/files/Files.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: lv8-regsvr [-u] [-s] [--user] <plug-in>\n"
               "  -u      unregister instead of register\n"
               "  -s      silent: print nothing on success\n"
               "  --user  for the current user alone (no administrator rights needed)\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace lv8int;
  bool unregister = false, silent = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-u" || a == "/u") unregister = true;
    else if (a == "-s" || a == "/s") silent = true;
    else if (a == "--user") components::setRegistrationScope(components::RegistrationScope::User);
    else if (a == "-h" || a == "--help") return usage(), 0;
    else if (!a.empty() && a[0] == '-') return usage();
    else if (file.empty()) file = a;
    else return usage();
  }
  if (file.empty()) return usage();

  String error;
  PluginLibrary* lib = PluginLibrary::open(fromUtf8(file), error);
  if (!lib) {
    std::fprintf(stderr, "lv8-regsvr: %s\n", toUtf8(error).c_str());
    return 3;
  }
  const char* entryName = unregister ? "LV8UnregisterServer" : "LV8RegisterServer";
  components::RegisterServerFn fn = unregister ? lib->unregisterServer() : lib->registerServer();
  if (!fn) {
    std::fprintf(stderr, "lv8-regsvr: %s was loaded, but the entry point %s was not found.\n",
                 toUtf8(lib->path()).c_str(), entryName);
    return 4;
  }
  // The file is registered under the name it was given (made absolute), not the name its links
  // resolve to: a versioned library file registered through its stable link keeps working
  // after an upgrade replaces the file behind the link.
  std::string path = file;
  while (path.rfind("./", 0) == 0) path.erase(0, 2);
  if (path[0] != '/') path = toUtf8(files::currentDirectory()) + path;
  int32_t status = fn(path.c_str());
  if (status != 0) {
    std::string why = toUtf8(components::lastError());
    std::fprintf(stderr, "lv8-regsvr: %s in %s failed with error %d%s%s\n", entryName, path.c_str(), status,
                 why.empty() ? "." : ": ", why.c_str());
    return 5;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entryName, path.c_str());
  return 0;
}
