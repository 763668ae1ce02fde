#include "SysUserRight.h"

#include "MiddleTier.h"

namespace zrm {

using namespace lv8int;

Ref<Recordset> SysUserRight::GetCurRight(const String& /*StrEnv*/, const String& /*strEnvValue*/) {
  // The user is the one logged in on the calling thread; nobody logged in holds no rights.
  const String user = currentUserID();
  return withDatabase(u"ZRMSysBase.SysUserRight.GetCurRight", [&](SqliteDatabase& db) {
    return db.query(u"SELECT RightCode FROM UserRights WHERE UserID = ?1 ORDER BY RightCode", {Variant(user)});
  });
}

const DispatchTable* SysUserRight::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<SysUserRight>(u"SysUserRight").method(u"GetCurRight", &SysUserRight::GetCurRight).build();
  return &table;
}

}  // namespace zrm
