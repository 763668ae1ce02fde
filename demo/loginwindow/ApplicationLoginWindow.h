#pragma once
// LV8Demo.LoginWindow: the sample host's login window component, the one the configuration
// property "ApplicationLoginWindow" names. It checks the user against the middle tier of the
// thread's application object and reports the result through the login window interfaces.
#include <memory>

#include "platform/host/ILoginWindow.h"

namespace lv8demo {

class LoginDialog;

class ApplicationLoginWindow : public lv8int::ILoginWindow, public lv8int::ILoginWindow2 {
 public:
  ApplicationLoginWindow();
  ~ApplicationLoginWindow() override;

  int32_t hWnd() override;
  bool ShowLogin() override;
  lv8int::LoginInfo GetLoginInfo() override;
  void CloseLogin() override;
  void SetLoginType(int32_t& nLoginType) override;
  int32_t GetLoginType() override;

  LoginDialog* dialog() const { return dialog_.get(); }

 private:
  std::unique_ptr<LoginDialog> dialog_;
  int32_t loginType_ = 0;
};

}  // namespace lv8demo
