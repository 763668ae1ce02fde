#pragma once
// The entry points of a component plug-in: a shared library (.so) that makes automation
// objects for the class identifiers registered with it as InprocServer32.
//
//   lv8int::Object* LV8CreateObject(const char16_t* clsid)   required
//       A new object of the class (a braced identifier, any case), holding one reference that
//       passes to the caller; null when the plug-in does not make that class.
//   int32_t LV8RegisterServer(const char* modulePath)        optional (lv8-regsvr)
//   int32_t LV8UnregisterServer(const char* modulePath)      optional (lv8-regsvr -u)
//       Write or remove the plug-in's registration naming `modulePath` as its file; 0 on
//       success, otherwise non-zero with components::setLastError describing the failure.
//   int32_t LV8CanUnloadNow()                                optional
//       0 when the plug-in could be unloaded. Plug-ins are never unloaded; the answer is for
//       diagnostics only.
//
// A plug-in usually declares its classes once and lets the macro define all four:
//
//   LV8_PLUGIN_CLASSES(
//       {u"Sample.Greeter", u"{...}", u"{...AppID or nullptr}", &lv8int::components::instance<Greeter>})
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>

#include "platform/automation/Object.h"

#define LV8_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace lv8int::components {

struct PluginClass {
  const char16_t* progID;
  const char16_t* clsid;
  const char16_t* appID;  // null: none
  Ref<Object> (*create)();
};

template <class T>
Ref<Object> instance() {
  return make<T>();
}

// What the macro's entry points do with the table (exceptions do not cross the entry points).
Object* createFromTable(const PluginClass* classes, size_t count, const char16_t* clsid) noexcept;
int32_t registerTable(const PluginClass* classes, size_t count, const char* modulePath) noexcept;
int32_t unregisterTable(const PluginClass* classes, size_t count, const char* modulePath) noexcept;

// Runs the work of a registration entry point: 0 when it succeeds, otherwise the error's number
// (1 for a failure without one) with its description kept for lastError().
int32_t runEntryPoint(const std::function<void()>& work) noexcept;

// Entry point types, as the loader and the registration tool find them.
using CreateObjectFn = Object* (*)(const char16_t*);
using RegisterServerFn = int32_t (*)(const char*);
using CanUnloadNowFn = int32_t (*)();

}  // namespace lv8int::components

#define LV8_PLUGIN_CLASSES(...)                                                                   \
  static const ::lv8int::components::PluginClass lv8PluginClasses[] = {__VA_ARGS__};               \
  LV8_PLUGIN_EXPORT ::lv8int::Object* LV8CreateObject(const char16_t* clsid) {                    \
    return ::lv8int::components::createFromTable(lv8PluginClasses, std::size(lv8PluginClasses), clsid); \
  }                                                                                               \
  LV8_PLUGIN_EXPORT int32_t LV8RegisterServer(const char* modulePath) {                           \
    return ::lv8int::components::registerTable(lv8PluginClasses, std::size(lv8PluginClasses), modulePath); \
  }                                                                                               \
  LV8_PLUGIN_EXPORT int32_t LV8UnregisterServer(const char* modulePath) {                         \
    return ::lv8int::components::unregisterTable(lv8PluginClasses, std::size(lv8PluginClasses), modulePath); \
  }                                                                                               \
  LV8_PLUGIN_EXPORT int32_t LV8CanUnloadNow() { return 1; }
