#pragma once
// ZRMSysBase.SysWarning: the pending warnings of a user.
#include "platform/recordset/Recordset.h"

namespace zrm {

class SysWarning : public lv8int::Object {
 public:
  // One record per pending warning of `UserID` with the fields WarningID, Source and Content,
  // in WarningID order. The data-source name is accepted and not used.
  lv8int::Ref<lv8int::Recordset> GetLog(const lv8int::String& DSN, const lv8int::String& UserID);

  const lv8int::DispatchTable* dispatchTable() const override;
};

}  // namespace zrm
