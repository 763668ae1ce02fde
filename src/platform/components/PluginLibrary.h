#pragma once
// A component plug-in loaded into the process. A plug-in is loaded once, on first use, and
// stays loaded for the life of the process (objects and code it handed out may live anywhere).
#include "platform/automation/Object.h"
#include "platform/automation/String.h"
#include "platform/components/PluginApi.h"

namespace lv8int {

class PluginLibrary {
 public:
  // The plug-in at `path` (the same file under any name is loaded once); null with a reason in
  // `error` when it cannot be loaded.
  static PluginLibrary* open(StringView path, String& error);

  const String& path() const noexcept { return path_; }

  // A new object of the class, or null when the plug-in does not make it (or has no
  // LV8CreateObject).
  Ref<Object> create(StringView clsid) const;

  // Entry points the plug-in exports itself (not ones it merely links against); null when
  // it has none.
  components::CreateObjectFn createObject() const noexcept { return createObject_; }
  components::RegisterServerFn registerServer() const noexcept { return registerServer_; }
  components::RegisterServerFn unregisterServer() const noexcept { return unregisterServer_; }
  components::CanUnloadNowFn canUnloadNow() const noexcept { return canUnloadNow_; }

 private:
  PluginLibrary(String path, void* handle);
  void* own(const char* symbol) const;

  String path_;
  void* handle_;
  components::CreateObjectFn createObject_ = nullptr;
  components::RegisterServerFn registerServer_ = nullptr;
  components::RegisterServerFn unregisterServer_ = nullptr;
  components::CanUnloadNowFn canUnloadNow_ = nullptr;
};

}  // namespace lv8int
