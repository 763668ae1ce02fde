#pragma once
// Service: the modal message box.
#include <cstdint>
#include <optional>

#include "platform/automation/String.h"

namespace lv8int {

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;

  // Shows `text` modally with the buttons, icon and default button of the style word (see
  // MessageBoxStyle.h) and returns the result code of the button chosen (1 OK ... 7 No).
  // Without a caption the box carries the default caption (ui::defaultCaption()).
  // An unknown button set raises 5.
  virtual int32_t show(const String& text, int32_t style = 0,
                       const std::optional<String>& caption = std::nullopt) = 0;

  // The replacement in force on this thread, else the Linux implementation.
  static IMessageBox& current();
  static IMessageBox* exchangeCurrent(IMessageBox* replacement);
};

}  // namespace lv8int
