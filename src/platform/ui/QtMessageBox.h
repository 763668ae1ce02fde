#pragma once
// The Linux message box: a modal QMessageBox when this thread can show windows, otherwise
// the non-interactive answer (NonInteractiveUi).
#include "platform/ui/IMessageBox.h"

namespace lv8int {

class QtMessageBox : public IMessageBox {
 public:
  int32_t show(const String& text, int32_t style = 0,
               const std::optional<String>& caption = std::nullopt) override;
};

}  // namespace lv8int
