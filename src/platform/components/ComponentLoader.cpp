#include "platform/components/ComponentLoader.h"

#include <set>

#include "platform/automation/AutomationError.h"
#include "platform/components/ClassRegistration.h"
#include "platform/components/PluginLibrary.h"

namespace lv8int::components {

namespace {

// Class identifiers being created on this thread: a plug-in whose entry point asks the
// registry for the very class it is asked to make must not send the request round forever.
thread_local std::set<String> inProgress;

Ref<Object> createFromPlugin(const String& path, const String& clsid) {
  if (inProgress.count(clsid)) raiseError(err::CannotCreateObject);
  String error;
  PluginLibrary* lib = PluginLibrary::open(path, error);
  if (!lib)
    raiseError(err::CannotCreateObject, kDefaultErrorSource,
               standardDescription(err::CannotCreateObject) + u": the plug-in registered for " + clsid +
                   u" cannot be loaded: " + error);
  inProgress.insert(clsid);
  Ref<Object> obj;
  try {
    obj = lib->create(clsid);
  } catch (...) {
    inProgress.erase(clsid);
    throw;
  }
  inProgress.erase(clsid);
  if (!obj)
    raiseError(err::CannotCreateObject, kDefaultErrorSource,
               standardDescription(err::CannotCreateObject) + u": the plug-in " + path + u" does not make " + clsid);
  return obj;
}

[[maybe_unused]] const bool installed = [] {
  ComponentRegistry::instance().setResolver(resolve);
  return true;
}();

}  // namespace

ComponentFactory resolve(StringView progID, StringView clsid) {
  String id = progID.empty() ? normalizeGuid(clsid) : clsidOfProgID(progID);
  if (id.empty()) return {};
  String path = inprocServer(id);
  if (path.empty()) return {};
  return [path, id]() { return createFromPlugin(path, id); };
}

}  // namespace lv8int::components
