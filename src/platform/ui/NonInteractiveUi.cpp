#include "platform/ui/NonInteractiveUi.h"

#include <iostream>

#include "platform/ui/MessageBoxStyle.h"
#include "platform/ui/UiSupport.h"

namespace lv8int {

namespace {
const char* iconName(msgbox::Icon icon) {
  switch (icon) {
    case msgbox::Icon::Critical: return "critical";
    case msgbox::Icon::Question: return "question";
    case msgbox::Icon::Exclamation: return "exclamation";
    case msgbox::Icon::Information: return "information";
    case msgbox::Icon::None: break;
  }
  return nullptr;
}
}  // namespace

NonInteractiveUi::NonInteractiveUi() : out_(std::cerr) {}
NonInteractiveUi::NonInteractiveUi(std::ostream& out) : out_(out) {}

int32_t NonInteractiveUi::show(const String& text, int32_t style,
                               const std::optional<String>& caption) {
  const msgbox::Layout layout = msgbox::decode(style);
  const int32_t answer = layout.buttons[static_cast<size_t>(layout.defaultIndex)];
  out_ << "[message box";
  if (const char* icon = iconName(layout.icon)) out_ << ", " << icon;
  out_ << "] " << toUtf8(caption ? *caption : ui::defaultCaption()) << ": " << toUtf8(text)
       << "\n[buttons:";
  for (int32_t b : layout.buttons) out_ << ' ' << toUtf8(msgbox::buttonName(b));
  out_ << "] answered " << toUtf8(msgbox::buttonName(answer))
       << " (no interactive display)" << std::endl;
  return answer;
}

bool NonInteractiveUi::browseForFolder(String& folder, int32_t, IBrowseFolderCallback*,
                                       const String& prompt) {
  out_ << "[folder dialog] " << toUtf8(prompt) << " (starting at \"" << toUtf8(folder)
       << "\"): cancelled (no interactive display)" << std::endl;
  return false;
}

}  // namespace lv8int
