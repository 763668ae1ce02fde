#pragma once
// A host's MDI main form for tests. It answers the members the library calls by name
// (SetConsole, ChangeLanguage, LoadMenu, RegisterChildForm, ShowChildForm, HideChildForm,
// SetStatusText, Menu, LoadSubSystem, Caption) and records every call, and it has a real
// (offscreen) window behind Show, Hide and hwnd, so the windows service gives its rectangle.
// Any other member name raises 438, as a host form without that member would.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/Variant.h"
#include "platform/host/IMDIForm.h"

class QWidget;

namespace lv8int::test {

class TestHostForm : public IMDIForm {
 public:
  struct Call {
    String name;  // the member's own spelling
    InvokeKind kind;
    std::vector<Variant> args;  // values as received (by-reference arguments dereferenced)
  };

  TestHostForm();
  ~TestHostForm() override;

  void Show() override;
  void Hide() override;
  int32_t hwnd() override;
  Variant invoke(StringView name, InvokeKind kind, Args& args) override;

  QWidget* widget() const { return widget_.get(); }

  const std::vector<Call>& calls() const { return calls_; }
  // The calls as text joined by "; ": "Caption=Title; SetConsole(<object>); LoadMenu(文件)".
  // Objects show as <object>, Nothing as <nothing>, texts and numbers as CStr gives them.
  std::string log() const;
  void clearCalls() { calls_.clear(); }

  // The console SetConsole handed over, kept as a host keeps it.
  Ref<Object> console() const { return console_; }
  // Lets go of the console (as a host does when its window goes away), also where the record
  // of the SetConsole call held it (it then shows as <nothing>).
  void dropConsole();
  String caption() const { return caption_; }

  // What Menu returns (an object made by the form unless set).
  Variant menu;
  // Calls of `member` raise the error `number`.
  void failOn(const String& member, int32_t number) { failures_[member] = number; }
  // Runs after every recorded call.
  std::function<void(const Call&)> onCall;

 private:
  void record(const String& member, InvokeKind kind, const Args& args);

  std::unique_ptr<QWidget> widget_;
  std::vector<Call> calls_;
  Ref<Object> console_;
  String caption_;
  std::map<String, int32_t> failures_;
};

}  // namespace lv8int::test
