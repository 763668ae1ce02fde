#pragma once
// The sample login dialog: user, password and data source, checked by the middle tier's
// ZRMSysBase.SysLogin before the dialog closes. A wrong password keeps the dialog open with
// the middle tier's message; every third failure in a row waits a moment before the next try.
#include <QDialog>
#include <functional>

#include "platform/host/ILoginWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace lv8demo {

class LoginDialog : public QDialog {
  Q_OBJECT
 public:
  // `check(user, password)` returns the login record, or raises the middle tier's error.
  using Check = std::function<lv8int::LoginInfo(const lv8int::String& user, const lv8int::String& password)>;
  LoginDialog(Check check, const QString& dataSource);

  // The record of the user who logged in (valid after the dialog was accepted).
  const lv8int::LoginInfo& record() const { return record_; }
  QString message() const;

 private:
  void tryLogin();

  Check check_;
  lv8int::LoginInfo record_;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QComboBox* dataSource_ = nullptr;
  QLabel* message_ = nullptr;
  int failures_ = 0;
};

}  // namespace lv8demo
