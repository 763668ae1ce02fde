#pragma once
// The folder-selection dialog asks its caller about every folder the user selects.
#include "platform/automation/Object.h"

namespace lv8int {

class IBrowseFolderCallback : public virtual Object {
 public:
  // strFolder: the selected folder, ending with "/". Set DisableOKButton to keep the user
  // from confirming it, and StatusText to the text the dialog shows about it.
  virtual void SelChanged(const String& strFolder, bool& DisableOKButton, String& StatusText) = 0;
};

}  // namespace lv8int
