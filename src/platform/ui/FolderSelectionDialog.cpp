#include "platform/ui/FolderSelectionDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>

#include "platform/automation/AutomationError.h"
#include "platform/ui/IBrowseFolderCallback.h"
#include "platform/ui/IFolderDialog.h"

namespace lv8int {

namespace {
QString withSlash(QString path) {
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path;
}
}  // namespace

FolderSelectionDialog::FolderSelectionDialog(const QString& startFolder, int32_t options,
                                             IBrowseFolderCallback* callback,
                                             const QString& prompt, QWidget* parent)
    : QDialog(parent), callback_(callback) {
  using namespace browseoptions;
  setWindowTitle(QStringLiteral("选择文件夹"));
  setObjectName(QStringLiteral("lv8FolderDialog"));
  resize(440, 480);

  auto* layout = new QVBoxLayout(this);
  auto* promptLabel = new QLabel(prompt, this);
  promptLabel->setObjectName(QStringLiteral("prompt"));
  promptLabel->setTextFormat(Qt::PlainText);
  promptLabel->setWordWrap(true);
  layout->addWidget(promptLabel);

  const bool newFolder = (options & BIF_NEWDIALOGSTYLE) && !(options & BIF_NONEWFOLDERBUTTON);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model_->setReadOnly(!newFolder);  // renaming is only offered for a folder just created
  model_->setRootPath(QStringLiteral("/"));

  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("folderTree"));
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(newFolder ? QAbstractItemView::EditKeyPressed
                                   : QAbstractItemView::NoEditTriggers);
  layout->addWidget(tree_, 1);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("statusText"));
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  layout->addWidget(status_);

  if (options & BIF_EDITBOX) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("folderEdit"));
    edit_->installEventFilter(this);
    layout->addWidget(edit_);
  }

  auto* bottom = new QHBoxLayout;
  if (newFolder) {
    auto* make = new QPushButton(QStringLiteral("新建文件夹"), this);
    make->setObjectName(QStringLiteral("newFolderButton"));
    make->setAutoDefault(false);
    connect(make, &QPushButton::clicked, this, &FolderSelectionDialog::createNewFolder);
    bottom->addWidget(make);
  }
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName(QStringLiteral("buttonBox"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  bottom->addWidget(buttons_, 1);
  layout->addLayout(bottom);

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) {
            // Choosing any folder but the renamed one or its parent ends the care for it.
            if (!renamed_.isEmpty() && now.isValid()) {
              const QString path = QDir::cleanPath(model_->filePath(now));
              if (path != renamed_ && path != QFileInfo(renamed_).path()) renamed_.clear();
            }
            judgeSelection();
          });
  // A new folder being renamed keeps its index: judge it again under its new name.
  connect(model_, &QFileSystemModel::fileRenamed, this,
          [this](const QString& parent, const QString&, const QString& newName) {
            renamed_ = QDir::cleanPath(parent + QLatin1Char('/') + newName);
            judgeSelection();
          });
  // When the model's watcher catches up with the rename it may drop the row that was current,
  // and the selection would fall back to the parent: keep the renamed folder selected.
  connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] {
    if (renamed_.isEmpty()) return;
    const QModelIndex index = model_->index(renamed_);
    if (index.isValid() && index != tree_->currentIndex()) tree_->setCurrentIndex(index);
  });

  buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
  selectFolder(startingFolder(startFolder));
}

QString FolderSelectionDialog::startingFolder(const QString& requested) {
  if (!requested.isEmpty()) {
    QFileInfo info(QDir::current().absoluteFilePath(requested));
    QString path = QDir::cleanPath(info.absoluteFilePath());
    for (;;) {
      if (QFileInfo(path).isDir()) return withSlash(path);
      const int cut = path.lastIndexOf(QLatin1Char('/'));
      if (cut <= 0) break;
      path.truncate(cut);
    }
  }
  return withSlash(QDir::homePath());
}

QString FolderSelectionDialog::selectedFolder() const {
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid()) return {};
  return withSlash(model_->filePath(current));
}

bool FolderSelectionDialog::selectFolder(const QString& path) {
  const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
  if (!QFileInfo(clean).isDir()) return false;
  // Hidden folders are left out of the tree unless the folder asked for lies in one.
  if (clean.contains(QStringLiteral("/.")) && !(model_->filter() & QDir::Hidden))
    model_->setFilter(model_->filter() | QDir::Hidden);
  const QModelIndex index = model_->index(clean);
  if (!index.isValid()) return false;
  if (index == tree_->currentIndex()) judgeSelection();
  else tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
  return true;
}

void FolderSelectionDialog::judgeSelection() {
  const QString folder = selectedFolder();
  bool disable = folder.isEmpty();
  QString text;
  if (!folder.isEmpty() && callback_) {
    String status;
    try {
      callback_->SelChanged(folder.toStdU16String(), disable, status);
      text = QString::fromStdU16String(status);
    } catch (const AutomationError& e) {
      // An error escaping into the event loop would end the process; show it instead.
      disable = true;
      text = QString::fromStdU16String(e.description());
    } catch (const std::exception& e) {
      disable = true;
      text = QString::fromUtf8(e.what());
    }
  }
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(!disable);
  status_->setText(text);
  if (edit_) edit_->setText(folder);
}

void FolderSelectionDialog::createNewFolder() {
  const QString parentPath = selectedFolder();
  if (parentPath.isEmpty()) return;
  const QModelIndex parent = model_->index(QDir::cleanPath(parentPath));
  const QString base = QStringLiteral("新建文件夹");
  QString name = base;
  for (int n = 2; QFileInfo::exists(parentPath + name); ++n)
    name = base + QStringLiteral(" (%1)").arg(n);
  const QModelIndex created = model_->mkdir(parent, name);
  if (!created.isValid()) {
    status_->setText(QStringLiteral("无法在此处新建文件夹。"));
    return;
  }
  tree_->setCurrentIndex(created);
  tree_->scrollTo(created);
  tree_->edit(created);
}

bool FolderSelectionDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // A typed path selects its folder; it does not confirm the dialog by itself.
      if (!selectFolder(edit_->text())) {
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
        status_->setText(QStringLiteral("文件夹不存在。"));
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace lv8int
