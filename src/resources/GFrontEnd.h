#pragma once
// GFrontEnd: the global class that shows the error box.
#include <cstdint>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class GFrontEnd : public Object {
 public:
  // Shows the error box with number, source and description; always returns 1.
  int32_t ERB(int32_t ErrNum, const String& ErrSrc, const String& ErrDes, const Variant& Buttons = Variant::missing(),
              const Variant& Title = Variant::missing(), Variant& HelpFile = missingArg(),
              Variant& Context = missingArg());

  static Variant& missingArg();
  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
