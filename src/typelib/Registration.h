#pragma once
// Registration of the classes that implement the description. Each class registers itself from
// its own .cpp with one line at namespace scope:
//
//   LV8_REGISTER_CLASS(CSysStatus, lv8int::typelib::factoryOf<CSysStatus>());   // creatable
//   LV8_REGISTER_CLASS(CConfig, nullptr);                                       // handed out only
//
// The class provides its member table without an instance:
//
//   static const DispatchTable* classDispatchTable();
//   const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
//
// Registering a class that the description marks creatable also registers its factory in the
// ComponentRegistry under its ProgID and class identifier. A registration is undone when the
// module holding it is unloaded.
#include <optional>
#include <vector>

#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Dispatch.h"
#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

using TableGetter = const DispatchTable* (*)();

struct Implementation {
  String className;
  TableGetter table = nullptr;
  ComponentFactory factory;          // empty for classes the library hands out only
  const ClassDesc* desc = nullptr;   // null when the description has no such class
  bool registeredComponent = false;  // its factory went into the ComponentRegistry
  int serial = 0;
};

class Registration {
 public:
  // A class of the library's description, found by name.
  Registration(const char* className, TableGetter table, ComponentFactory factory);
  // A class with a description of its own (fakes in tests, descriptions kept elsewhere). The
  // description must outlive the registration.
  Registration(const ClassDesc& desc, TableGetter table, ComponentFactory factory);
  ~Registration();
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

 private:
  void add(Implementation impl);
  int serial_ = 0;
};

// What is registered, in registration order. A class registered twice appears twice; only the
// first registration reaches the ComponentRegistry.
std::vector<Implementation> implementations();
// The first registration of a class (name without regard to case).
std::optional<Implementation> findImplementation(StringView className);

// A factory that makes a new T.
template <class T>
ComponentFactory factoryOf() {
  return [] { return Ref<Object>(make<T>()); };
}

}  // namespace lv8int::typelib

#define LV8_REGISTER_CLASS(Class, factory)                                                       \
  static const ::lv8int::typelib::Registration lv8RegistrationOf##Class(#Class, &Class::classDispatchTable, \
                                                                          factory)
