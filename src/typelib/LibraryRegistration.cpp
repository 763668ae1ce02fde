#include "typelib/LibraryRegistration.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/components/ClassRegistration.h"
#include "platform/components/PluginApi.h"
#include "platform/registry/IRegistry.h"
#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

using components::ClassInfo;

namespace {

std::vector<ClassInfo> creatableClasses() {
  std::vector<ClassInfo> out;
  for (const ClassDesc& c : typeLibrary().classes)
    if (c.creatable) out.push_back({c.progID(), c.clsid, {}, c.progID()});
  return out;
}

String serverPath(StringView modulePath) { return modulePath.empty() ? libraryFile() : String(modulePath); }

}  // namespace

String libraryFile() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&libraryFile), &info) || !info.dli_fname) return {};
  char real[PATH_MAX];
  return fromUtf8(realpath(info.dli_fname, real) ? real : info.dli_fname);
}

void registerLibrary(StringView modulePath) {
  String path = serverPath(modulePath);
  IRegistry::current().transaction([&] {
    for (const ClassInfo& c : creatableClasses()) components::registerClass(c, path);
  });
}

void unregisterLibrary(StringView modulePath) {
  String path = serverPath(modulePath);
  IRegistry::current().transaction([&] {
    for (const ClassInfo& c : creatableClasses()) components::unregisterClass(c, path);
  });
}

}  // namespace lv8int::typelib

// The library's own plug-in entry points. Creation answers only from the factories compiled
// into the process, never through the registry again: the registry is what sent the request.
LV8_PLUGIN_EXPORT lv8int::Object* LV8CreateObject(const char16_t* clsid) {
  using namespace lv8int;
  if (!clsid) return nullptr;
  try {
    Ref<Object> obj = ComponentRegistry::instance().createInProcess({}, components::normalizeGuid(clsid));
    if (!obj) return nullptr;
    obj->addRef();
    return obj.get();
  } catch (...) {
    return nullptr;
  }
}

LV8_PLUGIN_EXPORT int32_t LV8RegisterServer(const char* modulePath) {
  return lv8int::components::runEntryPoint([&] { lv8int::typelib::registerLibrary(modulePath ? lv8int::fromUtf8(modulePath) : lv8int::String()); });
}

LV8_PLUGIN_EXPORT int32_t LV8UnregisterServer(const char* modulePath) {
  return lv8int::components::runEntryPoint([&] { lv8int::typelib::unregisterLibrary(modulePath ? lv8int::fromUtf8(modulePath) : lv8int::String()); });
}

LV8_PLUGIN_EXPORT int32_t LV8CanUnloadNow() { return 1; }
