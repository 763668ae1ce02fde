#pragma once
// frmHint: the hint window, one per thread.
#include "platform/automation/String.h"

namespace lv8int {

class HintDialog;  // the Qt dialog behind the form

class frmHint {
 public:
  static frmHint& shared();

  // Shows the named hint unless it is undefined or the user suppressed it. True when shown and
  // the check box was left clear.
  bool ShowHint(const String& sHintName);
};

}  // namespace lv8int
