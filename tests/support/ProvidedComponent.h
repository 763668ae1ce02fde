#pragma once
// Makes a ProgID create one given object for the length of a scope, so that a test can script
// and inspect the very object the library creates by name.
#include <memory>

#include "platform/automation/ComponentRegistry.h"

namespace lv8int::test {

class ProvidedComponent {
 public:
  ProvidedComponent(StringView progID, Ref<Object> object);

 private:
  std::unique_ptr<ScopedComponent> registration_;
};

}  // namespace lv8int::test
