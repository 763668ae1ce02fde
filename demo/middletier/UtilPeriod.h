#pragma once
// ZRMDictUtil.utilPeriod: the accounting periods of the account set.
#include "platform/recordset/Recordset.h"

namespace zrm {

class UtilPeriod : public lv8int::Object {
 public:
  // One record per period with the fields ID (Long), StartDate, EndDate (Date) and Status
  // (Long), ordered by start date. The environment arguments are accepted and not used.
  lv8int::Ref<lv8int::Recordset> GetAllPeriod(const lv8int::String& StrEnv, const lv8int::String& strEnvValue);

  const lv8int::DispatchTable* dispatchTable() const override;
};

}  // namespace zrm
