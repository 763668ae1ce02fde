#pragma once
// The folder-selection dialog: a prompt, the folder tree of the file system, a status text and
// OK / Cancel; optionally a field to type a folder path and a "new folder" button. The caller's
// callback judges every selected folder and can disable OK.
//
// Child widgets carry object names so that scripted tests can drive the dialog: "prompt",
// "folderTree", "statusText", "folderEdit", "newFolderButton", "buttonBox".
#include <QDialog>
#include <QString>
#include <cstdint>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace lv8int {

class IBrowseFolderCallback;

class FolderSelectionDialog : public QDialog {
  Q_OBJECT

 public:
  FolderSelectionDialog(const QString& startFolder, int32_t options,
                        IBrowseFolderCallback* callback, const QString& prompt,
                        QWidget* parent = nullptr);

  // The selected folder, ending with "/"; empty when none is selected.
  QString selectedFolder() const;

  // Selects a folder in the tree (the callback judges it); false when it does not exist.
  bool selectFolder(const QString& path);

  // The folder the dialog starts at for a requested start folder: the folder itself, else its
  // nearest existing parent, else the home folder.
  static QString startingFolder(const QString& requested);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void judgeSelection();
  void createNewFolder();

  IBrowseFolderCallback* callback_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QLabel* status_;
  QLineEdit* edit_ = nullptr;
  QDialogButtonBox* buttons_;
  // The folder just renamed in the tree, kept selected while the model catches up with it.
  QString renamed_;
};

}  // namespace lv8int
