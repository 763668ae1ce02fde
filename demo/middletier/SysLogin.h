#pragma once
// ZRMSysBase.SysLogin: checks a user's password for login windows and tools.
#include "platform/recordset/Recordset.h"

namespace zrm {

class SysLogin : public lv8int::Object {
 public:
  // The user with the login name `UserCode` when `Password` (the stored form the application's
  // EncryptPWD gives, 48 hexadecimal digits) matches: one record with UserID, UserCode and
  // UserName. An unknown user and a wrong password raise the same error.
  lv8int::Ref<lv8int::Recordset> CheckLogin(const lv8int::String& UserCode, const lv8int::String& Password);

  const lv8int::DispatchTable* dispatchTable() const override;
};

}  // namespace zrm
