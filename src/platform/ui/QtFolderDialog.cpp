#include "platform/ui/QtFolderDialog.h"

#include <QApplication>

#include "platform/ui/FolderSelectionDialog.h"
#include "platform/ui/NonInteractiveUi.h"
#include "platform/ui/UiSupport.h"

namespace lv8int {

bool QtFolderDialog::browseForFolder(String& folder, int32_t options,
                                     IBrowseFolderCallback* callback, const String& prompt) {
  if (!ui::canShowWidgets()) return NonInteractiveUi().browseForFolder(folder, options, callback, prompt);
  FolderSelectionDialog dialog(QString::fromStdU16String(folder), options, callback,
                               QString::fromStdU16String(prompt), QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  const QString chosen = dialog.selectedFolder();
  if (chosen.isEmpty()) return false;
  folder = chosen.toStdU16String();
  return true;
}

}  // namespace lv8int
