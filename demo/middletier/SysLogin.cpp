#include "SysLogin.h"

#include "MiddleTier.h"

namespace zrm {

using namespace lv8int;

namespace {

// Hexadecimal digits compared without regard to letter case, every character looked at.
bool samePassword(StringView stored, StringView given) {
  if (stored.size() != given.size()) return false;
  unsigned difference = 0;
  for (size_t i = 0; i < stored.size(); ++i) {
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - 32) : c; };
    difference |= static_cast<unsigned>(upper(stored[i]) ^ upper(given[i]));
  }
  return difference == 0;
}

}  // namespace

Ref<Recordset> SysLogin::CheckLogin(const String& UserCode, const String& Password) {
  constexpr char16_t kSource[] = u"ZRMSysBase.SysLogin.CheckLogin";
  return withDatabase(kSource, [&](SqliteDatabase& db) {
    Ref<Recordset> found =
        db.query(u"SELECT UserID, UserCode, UserName, Password FROM Users WHERE UserCode = ?1", {Variant(UserCode)});
    if (found->atEOF() || !samePassword(CStr(found->value(3)), Password))
      raiseError(kErrLoginFailed, kSource, u"用户名或口令不正确");
    Ref<Recordset> user = make<Recordset>(std::vector<String>{u"UserID", u"UserCode", u"UserName"});
    user->addRecord({found->value(0), found->value(1), found->value(2)});
    return user;
  });
}

const DispatchTable* SysLogin::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<SysLogin>(u"SysLogin").method(u"CheckLogin", &SysLogin::CheckLogin).build();
  return &table;
}

}  // namespace zrm
