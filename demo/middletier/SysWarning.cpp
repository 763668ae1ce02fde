#include "SysWarning.h"

#include "MiddleTier.h"

namespace zrm {

using namespace lv8int;

Ref<Recordset> SysWarning::GetLog(const String& /*DSN*/, const String& UserID) {
  return withDatabase(u"ZRMSysBase.SysWarning.GetLog", [&](SqliteDatabase& db) {
    return db.query(u"SELECT WarningID, Source, Content FROM Warnings WHERE UserID = ?1 ORDER BY WarningID",
                    {Variant(UserID)});
  });
}

const DispatchTable* SysWarning::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<SysWarning>(u"SysWarning").method(u"GetLog", &SysWarning::GetLog).build();
  return &table;
}

}  // namespace zrm
