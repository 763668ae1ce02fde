#include "SysWarning.h"

#include "MiddleTier.h"
#include "platform/components/RemoteCaller.h"

namespace zrm {

using namespace lv8int;

Ref<Recordset> SysWarning::GetLog(const String& /*DSN*/, const String& UserID) {
  constexpr char16_t kSource[] = u"ZRMSysBase.SysWarning.GetLog";
  // A client of the middle-tier server reads its own user's warnings only.
  if (RemoteCaller::active() && UserID != RemoteCaller::userID())
    raiseError(kErrOtherUser, kSource, u"不能查看其他用户的提醒：" + UserID);
  return withDatabase(kSource, [&](SqliteDatabase& db) {
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
