#include "typelib/Registration.h"

#include <mutex>

namespace lv8int::typelib {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<Implementation> entries;
  int nextSerial = 1;
};

// Never destroyed: registrations in other modules may be undone after this module's statics.
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

}  // namespace

Registration::Registration(const char* className, TableGetter table, ComponentFactory factory) {
  Implementation impl;
  impl.className = fromUtf8(className);
  impl.table = table;
  impl.factory = std::move(factory);
  impl.desc = findClass(impl.className);
  add(std::move(impl));
}

Registration::Registration(const ClassDesc& desc, TableGetter table, ComponentFactory factory) {
  Implementation impl;
  impl.className = desc.name;
  impl.table = table;
  impl.factory = std::move(factory);
  impl.desc = &desc;
  add(std::move(impl));
}

void Registration::add(Implementation impl) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  bool first = true;
  for (const Implementation& e : r.entries)
    if (equalsNoCase(e.className, impl.className)) first = false;
  // Only the first registration of a creatable class creates objects; a second one is kept for
  // the checks to report.
  if (first && impl.desc && impl.desc->creatable && impl.factory) {
    ComponentRegistry::instance().registerClass(impl.desc->progID(), impl.desc->clsid, impl.factory);
    impl.registeredComponent = true;
  }
  impl.serial = serial_ = r.nextSerial++;
  r.entries.push_back(std::move(impl));
}

Registration::~Registration() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.entries.begin(); it != r.entries.end(); ++it) {
    if (it->serial != serial_) continue;
    if (it->registeredComponent)
      ComponentRegistry::instance().unregisterClass(it->desc->progID(), it->desc->clsid);
    r.entries.erase(it);
    return;
  }
}

std::vector<Implementation> implementations() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.entries;
}

std::optional<Implementation> findImplementation(StringView className) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  for (const Implementation& e : r.entries)
    if (equalsNoCase(e.className, className)) return e;
  return std::nullopt;
}

}  // namespace lv8int::typelib
