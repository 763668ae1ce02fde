#pragma once
// HeadlessMainForm: the host main form of a program that starts the application without a main
// window of its own (the lv8 tool's windows, tests of what needs the application's title or
// configuration). It takes its caption, may hold a menu control, and shows nothing.
#include "platform/automation/Dispatch.h"
#include "platform/host/IMDIForm.h"

namespace lv8int {

class CApplication;

class HeadlessMainForm : public IMDIForm {
 public:
  // Starts `app` (Init) over the configuration of the host program `hostPath` with `form`, a
  // new form of this kind unless given.
  static void startApplication(CApplication& app, const String& hostPath,
                               const Ref<HeadlessMainForm>& form = make<HeadlessMainForm>());

  void Show() override {}
  void Hide() override {}
  int32_t hwnd() override { return 0; }
  String Caption() const { return caption_; }
  void putCaption(const String& caption) { caption_ = caption; }
  // The console is not kept: nothing here uses it.
  void SetConsole(const Ref<Object>&) {}
  // The main window's menu control, when the program has one (the console's Menu).
  Ref<Object> Menu() const { return menu_; }
  void setMenu(Ref<Object> menu) { menu_ = std::move(menu); }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  String caption_;
  Ref<Object> menu_;
};

}  // namespace lv8int
