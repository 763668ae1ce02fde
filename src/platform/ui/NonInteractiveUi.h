#pragma once
// The user interface of a process without windows: what would be shown is written to a text
// stream (standard error by default); a message box is answered with its default button and
// a folder dialog is cancelled.
#include <iosfwd>

#include "platform/ui/IFolderDialog.h"
#include "platform/ui/IMessageBox.h"

namespace lv8int {

class NonInteractiveUi : public IMessageBox, public IFolderDialog {
 public:
  NonInteractiveUi();
  explicit NonInteractiveUi(std::ostream& out);

  int32_t show(const String& text, int32_t style = 0,
               const std::optional<String>& caption = std::nullopt) override;
  bool browseForFolder(String& folder, int32_t options, IBrowseFolderCallback* callback,
                       const String& prompt) override;

 private:
  std::ostream& out_;
};

}  // namespace lv8int
