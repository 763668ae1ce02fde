#pragma once
// frmErrBox: the error box, one per thread, kept loaded (hidden) between calls.
#include <cstdint>

#include "platform/automation/Variant.h"

namespace lv8int {

class ErrBoxDialog;  // the Qt dialog behind the form

class frmErrBox {
 public:
  static frmErrBox& shared();  // this thread's instance (created on first use)

  frmErrBox() = default;
  ~frmErrBox();
  frmErrBox(const frmErrBox&) = delete;
  frmErrBox& operator=(const frmErrBox&) = delete;

  // Fills and shows the box modally; every step ignores failures; returns 1.
  int32_t Action(int32_t ErrNum, const String& ErrSrc, const String& ErrDes, const Variant& Buttons,
                 const Variant& Title, const Variant& HelpFile, const Variant& Context);

  // The loaded dialog (loading it when it is not); null where no window can be shown.
  ErrBoxDialog* dialog();
  // True while the form is loaded.
  bool isLoaded() const { return dialog_ != nullptr; }

  // The three-line detail text of an error.
  static String detailText(int32_t ErrNum, const String& ErrSrc, const String& ErrDes);
  // The system icon number of a style word's icon group.
  static int32_t iconOfStyle(int32_t style);

 private:
  void fill(ErrBoxDialog& box, int32_t ErrNum, const String& ErrSrc, const String& ErrDes,
            const Variant& Buttons, const Variant& Title);
  void unload();

  ErrBoxDialog* dialog_ = nullptr;
};

}  // namespace lv8int
