#include "platform/ui/FolderSelectionDialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "platform/automation/AutomationError.h"
#include "platform/ui/IBrowseFolderCallback.h"
#include "platform/ui/IFolderDialog.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"

using namespace lv8int;

namespace {

// Accepts a folder only when it holds a "marker" folder, as the configuration root test does.
class MarkerCallback : public IBrowseFolderCallback {
 public:
  std::vector<String> seen;
  bool raise = false;
  void SelChanged(const String& strFolder, bool& DisableOKButton, String& StatusText) override {
    seen.push_back(strFolder);
    if (raise) raiseError(76, u"test", u"无法读取文件夹");
    DisableOKButton = !QDir(QString::fromStdU16String(strFolder) + QStringLiteral("marker")).exists();
    StatusText = DisableOKButton ? u"这不是一个有效的配置目录。" : u"这可能是一个有效的配置目录。";
  }
};

struct Parts {
  FolderSelectionDialog* dialog;
  QTreeView* tree;
  QFileSystemModel* model;
  QLabel* status;
  QPushButton* ok;
  QPushButton* cancel;
};

Parts partsOf(QWidget* w) {
  auto* d = qobject_cast<FolderSelectionDialog*>(w);
  EXPECT_NE(d, nullptr);
  auto* tree = d->findChild<QTreeView*>(QStringLiteral("folderTree"));
  auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  return {d, tree, qobject_cast<QFileSystemModel*>(tree->model()),
          d->findChild<QLabel*>(QStringLiteral("statusText")), box->button(QDialogButtonBox::Ok),
          box->button(QDialogButtonBox::Cancel)};
}

QString q(const std::string& s) { return QString::fromStdString(s); }

class FolderDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp.mkdir("配置 root/marker");
    tmp.mkdir("plain");
  }
  test::TempFolder tmp;
  Ref<MarkerCallback> callback = make<MarkerCallback>();
};

}  // namespace

TEST_F(FolderDialogTest, CallbackDisablesOkForAnInvalidFolderAndConfirmReturnsTheValidOne) {
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    // The starting folder is judged at once.
    ASSERT_FALSE(callback->seen.empty());
    EXPECT_EQ(callback->seen.back(), tmp.name("plain/"));
    EXPECT_FALSE(p.ok->isEnabled());
    EXPECT_EQ(p.status->text(), QStringLiteral("这不是一个有效的配置目录。"));
    EXPECT_EQ(p.dialog->findChild<QLabel*>(QStringLiteral("prompt"))->text(),
              QStringLiteral("请选择系统配置目录。"));

    p.tree->setCurrentIndex(p.model->index(q(tmp.file("配置 root"))));
    EXPECT_EQ(callback->seen.back(), tmp.name("配置 root/"));
    EXPECT_TRUE(p.ok->isEnabled());
    EXPECT_EQ(p.status->text(), QStringLiteral("这可能是一个有效的配置目录。"));

    // Back to an invalid folder: OK is disabled again.
    p.tree->setCurrentIndex(p.model->index(q(tmp.file("plain"))));
    EXPECT_FALSE(p.ok->isEnabled());
    QTest::keyClick(p.dialog, Qt::Key_Return);  // a disabled OK cannot be pressed by Enter
    EXPECT_TRUE(p.dialog->isVisible());

    p.tree->setCurrentIndex(p.model->index(q(tmp.file("配置 root"))));
    QTest::mouseClick(p.ok, Qt::LeftButton);
  });
  String folder = tmp.name("plain");
  EXPECT_TRUE(IFolderDialog::current().browseForFolder(folder, 0, callback.get(), u"请选择系统配置目录。"));
  EXPECT_EQ(folder, tmp.name("配置 root/"));
}

TEST_F(FolderDialogTest, CancelLeavesTheFolderArgumentAsItWas) {
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    EXPECT_TRUE(p.ok->isEnabled());
    p.tree->setCurrentIndex(p.model->index(q(tmp.file("plain"))));
    QTest::mouseClick(p.cancel, Qt::LeftButton);
  });
  String folder = tmp.name("配置 root");
  EXPECT_FALSE(IFolderDialog::current().browseForFolder(folder, 0, callback.get(), u"选择"));
  EXPECT_EQ(folder, tmp.name("配置 root"));

  test::whenModalShown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_FALSE(IFolderDialog::current().browseForFolder(folder, 0, nullptr, u"选择"));
  EXPECT_EQ(folder, tmp.name("配置 root"));
}

TEST_F(FolderDialogTest, StartsAtTheNearestExistingFolderAndWithoutCallbackAllowsAny) {
  EXPECT_EQ(FolderSelectionDialog::startingFolder(q(tmp.file("plain/no/such/folder"))), q(tmp.file("plain/")));
  EXPECT_EQ(FolderSelectionDialog::startingFolder(QString()), QDir::homePath() + QLatin1Char('/'));

  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    EXPECT_EQ(p.dialog->selectedFolder(), q(tmp.file("plain/")));
    EXPECT_TRUE(p.ok->isEnabled());
    EXPECT_TRUE(p.status->text().isEmpty());
    QTest::mouseClick(p.ok, Qt::LeftButton);
  });
  String folder = tmp.name("plain/no/such/folder");
  EXPECT_TRUE(IFolderDialog::current().browseForFolder(folder, 0, nullptr, u"选择"));
  EXPECT_EQ(folder, tmp.name("plain/"));
}

TEST_F(FolderDialogTest, AHiddenStartingFolderIsShownAndSelected) {
  tmp.mkdir(".lv8 配置");
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    EXPECT_EQ(p.dialog->selectedFolder(), q(tmp.file(".lv8 配置/")));
    QTest::mouseClick(p.ok, Qt::LeftButton);
  });
  String folder = tmp.name(".lv8 配置");
  EXPECT_TRUE(IFolderDialog::current().browseForFolder(folder, 0, nullptr, u"选择"));
  EXPECT_EQ(folder, tmp.name(".lv8 配置/"));
}

TEST_F(FolderDialogTest, ACallbackErrorDisablesOkAndShowsItsDescription) {
  callback->raise = true;
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    EXPECT_FALSE(p.ok->isEnabled());
    EXPECT_EQ(p.status->text(), QStringLiteral("无法读取文件夹"));
    QTest::mouseClick(p.cancel, Qt::LeftButton);
  });
  String folder = tmp.name("配置 root/");
  EXPECT_FALSE(IFolderDialog::current().browseForFolder(folder, 0, callback.get(), u"选择"));
}

TEST_F(FolderDialogTest, TypedPathSelectsItsFolderWithoutConfirming) {
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    auto* edit = p.dialog->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), q(tmp.file("plain/")));

    edit->setText(q(tmp.file("配置 root")));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(p.dialog->isVisible());
    EXPECT_EQ(callback->seen.back(), tmp.name("配置 root/"));
    EXPECT_TRUE(p.ok->isEnabled());

    edit->setText(q(tmp.file("missing")));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(p.dialog->isVisible());
    EXPECT_FALSE(p.ok->isEnabled());
    EXPECT_EQ(p.status->text(), QStringLiteral("文件夹不存在。"));
    QTest::mouseClick(p.cancel, Qt::LeftButton);
  });
  String folder = tmp.name("plain");
  EXPECT_FALSE(IFolderDialog::current().browseForFolder(folder, browseoptions::BIF_EDITBOX,
                                                        callback.get(), u"选择"));
  // Without the option there is no field.
  test::whenModalShown([](QWidget* w) {
    EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("folderEdit")), nullptr);
    EXPECT_EQ(w->findChild<QPushButton*>(QStringLiteral("newFolderButton")), nullptr);
    QTest::keyClick(w, Qt::Key_Escape);
  });
  IFolderDialog::current().browseForFolder(folder, 0, nullptr, u"选择");
}

TEST_F(FolderDialogTest, NewFolderIsCreatedUnderTheSelectionAndJudged) {
  test::whenModalShown([&](QWidget* w) {
    Parts p = partsOf(w);
    auto* make = p.dialog->findChild<QPushButton*>(QStringLiteral("newFolderButton"));
    ASSERT_NE(make, nullptr);
    QTest::mouseClick(make, Qt::LeftButton);
    EXPECT_TRUE(tmp.exists("plain/新建文件夹"));
    EXPECT_EQ(callback->seen.back(), tmp.name("plain/新建文件夹/"));
    // The new folder's name is open for editing; the renamed folder is judged again.
    auto* editor = p.tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("账套 1"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(test::waitUntil([&] { return tmp.exists("plain/账套 1"); }));
    ASSERT_TRUE(test::waitUntil([&] { return callback->seen.back() == tmp.name("plain/账套 1/"); }));
    QTest::mouseClick(make, Qt::LeftButton);
    EXPECT_EQ(callback->seen.back(), tmp.name("plain/账套 1/新建文件夹/"));
    EXPECT_FALSE(p.ok->isEnabled());
    QTest::mouseClick(p.cancel, Qt::LeftButton);
  });
  String folder = tmp.name("plain/");
  EXPECT_FALSE(IFolderDialog::current().browseForFolder(folder, browseoptions::BIF_NEWDIALOGSTYLE,
                                                        callback.get(), u"选择"));
  EXPECT_TRUE(tmp.exists("plain/账套 1/新建文件夹"));
  EXPECT_FALSE(tmp.exists("plain/新建文件夹"));

  test::whenModalShown([](QWidget* w) {
    EXPECT_EQ(w->findChild<QPushButton*>(QStringLiteral("newFolderButton")), nullptr);
    QTest::keyClick(w, Qt::Key_Escape);
  });
  IFolderDialog::current().browseForFolder(
      folder, browseoptions::BIF_NEWDIALOGSTYLE | browseoptions::BIF_NONEWFOLDERBUTTON, nullptr, u"选择");
}
