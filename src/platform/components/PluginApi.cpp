#include "platform/components/PluginApi.h"

#include "platform/automation/AutomationError.h"
#include "platform/components/ClassRegistration.h"
#include "platform/registry/IRegistry.h"

namespace lv8int::components {

namespace {

ClassInfo infoOf(const PluginClass& c) {
  return ClassInfo{c.progID ? String(c.progID) : String(), c.clsid ? String(c.clsid) : String(),
                   c.appID ? String(c.appID) : String(), {}};
}

}  // namespace

int32_t runEntryPoint(const std::function<void()>& work) noexcept {
  try {
    setLastError({});
    work();
    return 0;
  } catch (const AutomationError& e) {
    setLastError(e.description());
    return e.number() ? e.number() : 1;
  } catch (const std::exception& e) {
    setLastError(fromUtf8(e.what()));
    return 1;
  } catch (...) {
    setLastError(u"unknown failure");
    return 1;
  }
}

Object* createFromTable(const PluginClass* classes, size_t count, const char16_t* clsid) noexcept {
  if (!clsid) return nullptr;
  String wanted = normalizeGuid(clsid);
  for (size_t i = 0; i < count; ++i) {
    if (!classes[i].clsid || normalizeGuid(classes[i].clsid) != wanted || !classes[i].create) continue;
    try {
      Ref<Object> obj = classes[i].create();
      if (!obj) return nullptr;
      Object* p = obj.get();
      p->addRef();  // the reference handed to the caller
      return p;
    } catch (...) {
      return nullptr;
    }
  }
  return nullptr;
}

int32_t registerTable(const PluginClass* classes, size_t count, const char* modulePath) noexcept {
  return runEntryPoint([&] {
    if (!modulePath || !*modulePath) raiseError(err::InvalidProcedureCall);
    IRegistry::current().transaction([&] {
      for (size_t i = 0; i < count; ++i) registerClass(infoOf(classes[i]), fromUtf8(modulePath));
    });
  });
}

int32_t unregisterTable(const PluginClass* classes, size_t count, const char* modulePath) noexcept {
  return runEntryPoint([&] {
    if (!modulePath || !*modulePath) raiseError(err::InvalidProcedureCall);
    IRegistry::current().transaction([&] {
      for (size_t i = 0; i < count; ++i) unregisterClass(infoOf(classes[i]), fromUtf8(modulePath));
    });
  });
}

}  // namespace lv8int::components
