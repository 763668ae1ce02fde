#pragma once
// frmHint: the hint window, one per thread.
#include <functional>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"

namespace lv8int {

class HintDialog;  // the Qt dialog behind the form
class XMLRegistry;

class frmHint {
 public:
  static frmHint& shared();

  // Shows the named hint unless it is undefined or the user suppressed it. True when shown and
  // the check box was left clear.
  bool ShowHint(const String& sHintName);

  // ShowHint over a given definitions file and user store (the store is asked for only once a
  // defined hint needs it).
  bool showHint(const String& sHintName, const String& hintFile, const std::function<Ref<XMLRegistry>()>& userStore);

  // The dialog while the form is loaded (during a showing), else null.
  HintDialog* dialog() const { return dialog_; }

 private:
  static bool isSuppressed(const String& sHintName, const Ref<XMLRegistry>& store);
  static void suppress(const String& sHintName, const Ref<XMLRegistry>& store);

  HintDialog* dialog_ = nullptr;
};

}  // namespace lv8int
