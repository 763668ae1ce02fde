#include "UtilPeriod.h"

#include "MiddleTier.h"

namespace zrm {

using namespace lv8int;

Ref<Recordset> UtilPeriod::GetAllPeriod(const String& /*StrEnv*/, const String& /*strEnvValue*/) {
  return withDatabase(u"ZRMDictUtil.utilPeriod.GetAllPeriod", [](SqliteDatabase& db) {
    return db.query(u"SELECT ID, StartDate, EndDate, Status FROM Periods ORDER BY StartDate, ID");
  });
}

const DispatchTable* UtilPeriod::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<UtilPeriod>(u"utilPeriod").method(u"GetAllPeriod", &UtilPeriod::GetAllPeriod).build();
  return &table;
}

}  // namespace zrm
