#pragma once
// A login window component for tests, usable through ILoginWindow and ILoginWindow2: scripted
// outcome, record and login type, a log of every operation called, the handle of a real
// (offscreen) dialog, and a failure that can be injected at any call of any operation.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/ILoginWindow.h"

class QDialog;

namespace lv8int::test {

inline constexpr char16_t kTestLoginWindowProgID[] = u"LV8Test.LoginWindow";

class TestLoginWindow : public ILoginWindow, public ILoginWindow2 {
 public:
  TestLoginWindow(int width = 320, int height = 200);
  ~TestLoginWindow() override;

  int32_t hWnd() override;
  bool ShowLogin() override;
  LoginInfo GetLoginInfo() override;
  void CloseLogin() override;
  void SetLoginType(int32_t& nLoginType) override;
  int32_t GetLoginType() override;

  // --- the script ---
  bool loginSucceeds = true;  // what ShowLogin answers
  LoginInfo info;             // what LoginInfo returns
  int32_t endLoginType = 0;   // what GetLoginType answers
  // The `occurrence`-th call (1-based) of `operation` ("hWnd", "ShowLogin", "LoginInfo",
  // "CloseLogin", "SetLoginType", "GetLoginType") raises the error `number`.
  void failOn(const std::string& operation, int occurrence, int32_t number);
  // Runs at the start of every operation with its name (to look at the library's state).
  std::function<void(const std::string& operation)> onCall;

  // --- what happened ---
  // Operations in call order; SetLoginType with its argument: "SetLoginType(3)".
  const std::vector<std::string>& log() const { return log_; }
  std::string logText() const;  // the log joined by ","
  QDialog* dialog() const { return dialog_.get(); }

  // A login record with the three fields the library reads.
  static LoginInfo record(const String& userName, const String& userID, const String& examFlag);

 private:
  void enter(const std::string& operation);

  std::unique_ptr<QDialog> dialog_;
  std::vector<std::string> log_;
  std::map<std::string, int> counts_;
  std::map<std::pair<std::string, int>, int32_t> failures_;
};

}  // namespace lv8int::test
