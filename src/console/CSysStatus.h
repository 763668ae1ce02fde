#pragma once
// CSysStatus: whether an entry is allowed by the state of the system (every entry is).
#include "platform/automation/Dispatch.h"

namespace lv8int {

class CSysStatus : public Object {
 public:
  void GetSysStatus() {}
  bool CheckSysStatus(const String& strEntry);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
