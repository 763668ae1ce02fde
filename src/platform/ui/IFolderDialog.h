#pragma once
// Service: the modal folder-selection dialog.
#include <cstdint>

#include "platform/automation/String.h"

namespace lv8int {

class IBrowseFolderCallback;

// Bits of the options word the dialog honours; other bits are accepted and ignored.
namespace browseoptions {
inline constexpr int32_t BIF_EDITBOX = 0x10;          // a field to type a folder path into
inline constexpr int32_t BIF_NEWDIALOGSTYLE = 0x40;   // offers a "new folder" button ...
inline constexpr int32_t BIF_NONEWFOLDERBUTTON = 0x200;  // ... unless this bit is also set
}  // namespace browseoptions

class IFolderDialog {
 public:
  virtual ~IFolderDialog() = default;

  // Lets the user choose a folder, starting at `folder` (or at its nearest existing parent,
  // or the home folder). `prompt` is shown above the folder tree; `callback` (may be null)
  // is asked about every selected folder and can disable OK and set the status text.
  // Returns true when a folder was confirmed; `folder` then holds it, ending with "/".
  // On cancel `folder` is left unchanged.
  virtual bool browseForFolder(String& folder, int32_t options, IBrowseFolderCallback* callback,
                               const String& prompt) = 0;

  static IFolderDialog& current();
  static IFolderDialog* exchangeCurrent(IFolderDialog* replacement);
};

}  // namespace lv8int
