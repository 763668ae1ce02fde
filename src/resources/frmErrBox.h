#pragma once
// frmErrBox: the error box, one per thread, kept loaded (hidden) between calls.
#include <cstdint>

#include "platform/automation/Variant.h"

namespace lv8int {

class ErrBoxDialog;  // the Qt dialog behind the form

class frmErrBox {
 public:
  static frmErrBox& shared();  // this thread's instance (created on first use)

  // Fills and shows the box modally; every step ignores failures; returns 1.
  int32_t Action(int32_t ErrNum, const String& ErrSrc, const String& ErrDes, const Variant& Buttons,
                 const Variant& Title, const Variant& HelpFile, const Variant& Context);

  ErrBoxDialog* dialog();
};

}  // namespace lv8int
