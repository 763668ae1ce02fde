#include "platform/components/PluginLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace lv8int {

namespace {

std::mutex loadMutex;
// Loaded plug-ins by real path; never removed.
std::map<std::string, std::unique_ptr<PluginLibrary>>& loaded() {
  static auto* table = new std::map<std::string, std::unique_ptr<PluginLibrary>>;
  return *table;
}

}  // namespace

PluginLibrary::PluginLibrary(String path, void* handle) : path_(std::move(path)), handle_(handle) {
  createObject_ = reinterpret_cast<components::CreateObjectFn>(own("LV8CreateObject"));
  registerServer_ = reinterpret_cast<components::RegisterServerFn>(own("LV8RegisterServer"));
  unregisterServer_ = reinterpret_cast<components::RegisterServerFn>(own("LV8UnregisterServer"));
  canUnloadNow_ = reinterpret_cast<components::CanUnloadNowFn>(own("LV8CanUnloadNow"));
}

void* PluginLibrary::own(const char* symbol) const {
  // dlsym also finds the symbol in the libraries the plug-in depends on (liblv8int exports the
  // same entry points for its own classes); only the plug-in's own definition counts.
  void* sym = dlsym(handle_, symbol);
  if (!sym) return nullptr;
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr(sym, &info) || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map) return nullptr;
  return info.dli_fname && map->l_name && std::strcmp(info.dli_fname, map->l_name) == 0 ? sym : nullptr;
}

PluginLibrary* PluginLibrary::open(StringView path, String& error) {
  std::string file = toUtf8(path);
  char real[PATH_MAX];
  if (!realpath(file.c_str(), real)) {
    error = u"cannot find " + String(path) + u": " + fromUtf8(std::strerror(errno));
    return nullptr;
  }
  std::lock_guard guard(loadMutex);
  auto& table = loaded();
  auto it = table.find(real);
  if (it != table.end()) return it->second.get();
  void* handle = dlopen(real, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = u"cannot load " + String(path) + u": " + fromUtf8(why ? why : "unknown error");
    return nullptr;
  }
  auto lib = std::unique_ptr<PluginLibrary>(new PluginLibrary(fromUtf8(real), handle));
  PluginLibrary* p = lib.get();
  table.emplace(real, std::move(lib));
  return p;
}

Ref<Object> PluginLibrary::create(StringView clsid) const {
  if (!createObject_) return nullptr;
  String id(clsid);
  Object* raw = createObject_(id.c_str());
  if (!raw) return nullptr;
  Ref<Object> obj(raw);
  raw->release();  // the reference the entry point handed over
  return obj;
}

}  // namespace lv8int
