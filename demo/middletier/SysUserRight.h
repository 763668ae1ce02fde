#pragma once
// ZRMSysBase.SysUserRight: the right codes of the logged-in user.
#include "platform/recordset/Recordset.h"

namespace zrm {

class SysUserRight : public lv8int::Object {
 public:
  // One record per code granted to the current user, the code in field 0 ("RightCode"), in
  // code order. The environment arguments are accepted and not used.
  lv8int::Ref<lv8int::Recordset> GetCurRight(const lv8int::String& StrEnv, const lv8int::String& strEnvValue);

  const lv8int::DispatchTable* dispatchTable() const override;
};

}  // namespace zrm
