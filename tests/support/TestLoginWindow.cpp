#include "support/TestLoginWindow.h"

#include <QDialog>

#include "platform/automation/AutomationError.h"
#include "platform/windows/IWindows.h"

namespace lv8int::test {

TestLoginWindow::TestLoginWindow(int width, int height) : dialog_(std::make_unique<QDialog>()) {
  dialog_->setWindowTitle(QStringLiteral("登录"));
  dialog_->setGeometry(0, 0, width, height);
}

TestLoginWindow::~TestLoginWindow() = default;

void TestLoginWindow::enter(const std::string& operation) {
  const int n = ++counts_[operation];
  if (onCall) onCall(operation);
  auto it = failures_.find({operation, n});
  if (it != failures_.end())
    raiseError(it->second, u"TestLoginWindow", fromUtf8("injected failure of " + operation));
}

int32_t TestLoginWindow::hWnd() {
  log_.push_back("hWnd");
  enter("hWnd");
  return IWindows::current().handleOf(dialog_.get());
}

bool TestLoginWindow::ShowLogin() {
  log_.push_back("ShowLogin");
  enter("ShowLogin");
  return loginSucceeds;
}

LoginInfo TestLoginWindow::GetLoginInfo() {
  log_.push_back("LoginInfo");
  enter("LoginInfo");
  return info;
}

void TestLoginWindow::CloseLogin() {
  log_.push_back("CloseLogin");
  enter("CloseLogin");
  dialog_->hide();
}

void TestLoginWindow::SetLoginType(int32_t& nLoginType) {
  log_.push_back("SetLoginType(" + std::to_string(nLoginType) + ")");
  enter("SetLoginType");
}

int32_t TestLoginWindow::GetLoginType() {
  log_.push_back("GetLoginType");
  enter("GetLoginType");
  return endLoginType;
}

void TestLoginWindow::failOn(const std::string& operation, int occurrence, int32_t number) {
  failures_[{operation, occurrence}] = number;
}

std::string TestLoginWindow::logText() const {
  std::string out;
  for (const std::string& entry : log_) out += (out.empty() ? "" : ",") + entry;
  return out;
}

LoginInfo TestLoginWindow::record(const String& userName, const String& userID, const String& examFlag) {
  LoginInfo r;
  r.Field1 = u"ledger";
  r.Field2 = 7;
  r.UserName = userName;
  r.UserID = userID;
  r.ExamFlag = examFlag;
  return r;
}

}  // namespace lv8int::test
