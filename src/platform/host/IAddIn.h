#pragma once
// The host's add-in. Not a dispatch interface: its first operation is Execute(kind, name, args)
// with the argument list (an array of Variants) passed by reference.
#include <cstdint>

#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

namespace lv8int {

class IAddIn : public virtual Object {
 public:
  virtual Variant Execute(int32_t kind, const String& name, Variant& args) = 0;
};

}  // namespace lv8int
