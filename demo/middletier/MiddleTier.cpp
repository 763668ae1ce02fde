#include "MiddleTier.h"

#include <dlfcn.h>

#include <cstdlib>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/components/RemoteCaller.h"
#include "platform/registry/ExpandEnvironment.h"
#include "platform/registry/IRegistry.h"

namespace zrm {

using namespace lv8int;

String moduleFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&moduleFolder), &info) || !info.dli_fname) return u"./";
  String file = fromUtf8(info.dli_fname);
  const size_t slash = file.rfind(u'/');
  return slash == String::npos ? String(u"./") : file.substr(0, slash + 1);
}

String databasePath() {
  if (const char* v = std::getenv(kDatabaseVariable); v && *v) return fromUtf8(v);
  IRegistry& r = IRegistry::current();
  reg::OpenedKey key(r, reg::HKEY_CLASSES_ROOT, u"AppID\\" + String(kAppID));
  if (key.ok()) {
    reg::Value v;
    if (r.getValue(key.handle(), u"Database", v) == reg::ERROR_SUCCESS && reg::isStringType(v.type)) {
      String text = v.type == reg::REG_EXPAND_SZ ? reg::expandEnvironmentStrings(v.text()) : v.text();
      if (!text.empty()) return text;
    }
  }
  return moduleFolder() + u"sample.db";
}

String currentUserID() {
  // Served by the middle-tier server, the user is the one the client's session logged in.
  if (RemoteCaller::active()) return RemoteCaller::userID();
  return GZRGNTUtil::sharedApplication()->CurrentUserID();
}

bool nobodyLoggedIn(StringView userID) { return userID.empty() || userID == u"-1"; }

Ref<Recordset> withDatabase(StringView source, const std::function<Ref<Recordset>(SqliteDatabase&)>& work) {
  const String path = databasePath();
  try {
    SqliteDatabase db(path);
    return work(db);
  } catch (const AutomationError& e) {
    if (e.source() != kSqliteErrorSource) {
      AutomationError own = e;
      own.setSource(String(source));
      throw own;
    }
    switch (e.number()) {
      case err::FileNotFound:
        raiseError(kErrDatabaseMissing, source, u"中间层数据库不存在：" + path);
      case sqliteErrorNumber(5):  // busy
      case sqliteErrorNumber(6):  // locked
        raiseError(kErrDatabaseLocked, source, u"中间层数据库已被其他程序锁定，请稍后再试：" + path);
      default:
        raiseError(kErrDatabase, source, u"中间层数据库出错：" + e.description());
    }
  }
}

}  // namespace zrm
