#pragma once
// ZRMSysBase.SysDSN: the component whose registration locates the middle tier (its AppID,
// whose key may carry RemoteServerName and Database); it reports the database in use.
#include "platform/automation/Dispatch.h"

namespace zrm {

class SysDSN : public lv8int::Object {
 public:
  lv8int::String Database() const;

  const lv8int::DispatchTable* dispatchTable() const override;
};

}  // namespace zrm
