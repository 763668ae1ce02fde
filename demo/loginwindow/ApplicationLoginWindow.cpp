#include "ApplicationLoginWindow.h"

#include "LoginDialog.h"
#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/windows/IWindows.h"

namespace lv8demo {

using namespace lv8int;

namespace {

// The middle tier's answer for a user and password: the login record, or its error.
LoginInfo checkWithMiddleTier(const String& user, const String& password) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<Object> login = app->CreateMidObject(u"ZRMSysBase.SysLogin");
  Ref<Object> rs = recordsets::fromAnswer(login->call(u"CheckLogin", {Variant(user), Variant(app->EncryptPWD(password))}));
  if (recordsets::isEmpty(*rs)) raiseError(vbObjectError, u"LV8Demo.LoginWindow", u"用户名或口令不正确");
  LoginInfo info;
  info.UserName = CStr(recordsets::fieldValue(*rs, Variant(u"UserCode")));
  info.UserID = CStr(recordsets::fieldValue(*rs, Variant(u"UserID")));
  info.Field5 = CStr(recordsets::fieldValue(*rs, Variant(u"UserName")));  // the person's name
  return info;
}

QString dataSourceName() {
  try {
    Ref<Object> dsn = GZRGNTUtil::sharedApplication()->CreateMidObject(u"ZRMSysBase.SysDSN");
    return QString::fromStdU16String(CStr(dsn->get(u"Database")));
  } catch (const AutomationError&) {
    return QStringLiteral("(无)");
  }
}

}  // namespace

ApplicationLoginWindow::ApplicationLoginWindow()
    : dialog_(std::make_unique<LoginDialog>(&checkWithMiddleTier, dataSourceName())) {}

ApplicationLoginWindow::~ApplicationLoginWindow() = default;

int32_t ApplicationLoginWindow::hWnd() { return IWindows::current().handleOf(dialog_.get()); }

bool ApplicationLoginWindow::ShowLogin() { return dialog_->exec() == QDialog::Accepted; }

LoginInfo ApplicationLoginWindow::GetLoginInfo() { return dialog_->record(); }

void ApplicationLoginWindow::CloseLogin() { dialog_->hide(); }

void ApplicationLoginWindow::SetLoginType(int32_t& nLoginType) { loginType_ = nLoginType; }

int32_t ApplicationLoginWindow::GetLoginType() { return loginType_; }

}  // namespace lv8demo
