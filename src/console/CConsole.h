#pragma once
// CConsole: the library's handle on the host's main window. Forwards requests by name to the
// host main form, hands out the progress window, opens help, and relays BandOpen.
#include <cstdint>

#include "platform/automation/Dispatch.h"
#include "platform/automation/EventSource.h"
#include "platform/host/IMDIForm.h"
#include "platform/host/IProgressBar.h"

namespace lv8int {

class CApplication;
class frmProgress;
class CHTMLHelp;

class CConsole : public Object {
 public:
  CConsole();  // out of line: the header needs no definition of frmProgress or CHTMLHelp
  ~CConsole() override;  // unloads the progress window, closes help

  void ShowHelp(int32_t ContextID);
  void RaiseEventBandOpen(const String& BandName, bool& Cancel);
  bool IsClosing() const { return closing_; }
  void put_IsClosing(bool value) { closing_ = value; }
  void ChangeLanguage();
  Ref<CApplication> Application();
  void LoadMenu(const String& strRelatedToMenuPath);
  void RegisterChildForm(Ref<Object>& objForm, const String& strChildMenuBar);
  void ShowChildForm(Ref<Object>& objForm);
  void HideChildForm(Ref<Object>& objForm);
  Ref<Object> Object_() const;  // "Object": the host main form itself
  void Show();
  void Hide();
  void SetStatusText(const String& sText, const String& sToolName);
  Ref<Object> Menu();
  int32_t hwnd();
  Ref<IProgressBar> ProgressBar();
  void LoadSubSystem(const String& sSubSystemName);

  // Library-internal: keeps the main form (once) and calls its SetConsole. 13 when the object
  // is not an MDI main form (no form is then attached).
  void AttachMainForm(const Ref<Object>& mainForm);
  // Library-internal: the application let go of the console (Terminate). The console lets go of
  // the main form, unloads the progress window and closes help, so that a host that keeps the
  // console it was given keeps nothing else alive; after this only IsClosing, Application and
  // the events still work, the rest fails with 91.
  void Detach();

  // Source of the __CConsole events (BandOpen).
  EventSource& events() { return events_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  // The attached main form; 91 when there is none.
  IMDIForm& form() const;
  // Calls a member of the main form by name.
  void forward(StringView member, Args args) const;
  // Unloads the progress window and closes help; nothing escapes.
  void releaseWindows() noexcept;

  Ref<IMDIForm> mainForm_;
  Ref<frmProgress> progress_;
  bool closing_ = false;
  Ref<CHTMLHelp> help_;
  bool detached_ = false;
  EventSource events_;
};

}  // namespace lv8int
