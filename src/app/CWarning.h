#pragma once
// CWarning: shows the current user's pending warnings in the error box.
#include "platform/automation/Dispatch.h"

namespace lv8int {

class CWarning : public Object {
 public:
  void DispWarningIfExist();

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
