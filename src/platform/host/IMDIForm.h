#pragma once
// The host's MDI main form as the console sees it. Show, Hide and hwnd are the form's own
// operations; every other member (SetConsole, ChangeLanguage, LoadMenu, RegisterChildForm,
// ShowChildForm, HideChildForm, SetStatusText, Menu, LoadSubSystem, Caption) is called late-bound
// by name through Object::invoke.
#include <cstdint>

#include "platform/automation/Object.h"

namespace lv8int {

class IMDIForm : public virtual Object {
 public:
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // The form's window handle (see platform/windows).
  virtual int32_t hwnd() = 0;
};

}  // namespace lv8int
