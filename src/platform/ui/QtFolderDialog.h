#pragma once
// The Linux folder-selection dialog: FolderSelectionDialog when this thread can show windows,
// otherwise the non-interactive answer (cancelled).
#include "platform/ui/IFolderDialog.h"

namespace lv8int {

class QtFolderDialog : public IFolderDialog {
 public:
  bool browseForFolder(String& folder, int32_t options, IBrowseFolderCallback* callback,
                       const String& prompt) override;
};

}  // namespace lv8int
