#include "help/HelpWindow.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include "help/HelpBrowser.h"
#include "help/HelpTestSupport.h"

namespace lv8int {
namespace {

class HelpWindowTest : public ::testing::Test {
 protected:
  ~HelpWindowTest() override {
    HelpWindow::closeAll();
    test::flushDeletes();
  }
  HelpWindow* open(int32_t command = HelpWindow::DisplayToc, int32_t data = 0) {
    return HelpWindow::execute(fromUtf8(test::kSampleChm), command, data);
  }
};

TEST_F(HelpWindowTest, ContentsAndIndexComeFromTheSitemaps) {
  HelpWindow* window = open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Sample Help"));
  QTreeWidget* tree = window->contentsTree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* intro = tree->topLevelItem(0);
  EXPECT_EQ(intro->text(0), QStringLiteral("Introduction"));
  ASSERT_EQ(intro->childCount(), 2);
  EXPECT_EQ(intro->child(1)->text(0), QStringLiteral("Vouchers & posting"));

  // Choosing an entry shows its page.
  emit tree->itemClicked(intro->child(0), 0);
  EXPECT_EQ(window->currentPage(), "/ledger.htm");

  QListWidget* index = window->indexList();
  ASSERT_EQ(index->count(), 2);
  EXPECT_EQ(index->item(0)->text(), QStringLiteral("balances"));
  window->indexFilter()->setText(QStringLiteral("APP"));
  ASSERT_NE(index->currentItem(), nullptr);
  EXPECT_EQ(index->currentItem()->text(), QStringLiteral("approval"));
  emit index->itemActivated(index->currentItem());
  EXPECT_EQ(window->currentPage(), "/vouchers.htm");
}

TEST_F(HelpWindowTest, SearchFindsPagesHoldingEveryWord) {
  HelpWindow* window = open(HelpWindow::DisplaySearch);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->search(QStringLiteral("posting")), 1);  // "posts" on the ledger page does not count
  EXPECT_EQ(window->searchResults()->item(0)->text(), QStringLiteral("Vouchers"));
  EXPECT_EQ(window->search(QStringLiteral("APPROVE  vouchers")), 1);
  EXPECT_EQ(window->search(QStringLiteral("approve ledger")), 0);
  EXPECT_EQ(window->search(QStringLiteral("general")), 1);  // titles count
  EXPECT_EQ(window->search(QStringLiteral("h1")), 0);       // markup does not
  EXPECT_EQ(window->search(QString()), 0);
  window->search(QStringLiteral("ledger"));
  emit window->searchResults()->itemClicked(window->searchResults()->item(0));
  EXPECT_EQ(window->currentPage(), "/ledger.htm");
}

TEST_F(HelpWindowTest, PagesAndImagesLoadOnlyFromTheFile) {
  HelpWindow* window = open();
  ASSERT_NE(window, nullptr);
  HelpBrowser* browser = window->browser();
  EXPECT_NE(browser->toPlainText().indexOf(QStringLiteral("Welcome to the sample help.")), -1);
  // The image reference of the page resolves against the page inside the file.
  const QUrl image = browser->source().resolved(QUrl(QStringLiteral("images/dot.png")));
  const QVariant bytes = browser->loadResource(QTextDocument::ImageResource, image);
  EXPECT_TRUE(bytes.toByteArray().startsWith("\x89PNG"));
  EXPECT_FALSE(browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/passwd"))).isValid());
  EXPECT_FALSE(browser->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("chm:/missing.htm"))).isValid());
}

TEST_F(HelpWindowTest, FileThatIsNoHelpFileOpensNoWindow) {
  EXPECT_EQ(HelpWindow::execute(fromUtf8(std::string(LV8_TEST_FIXTURES) + "/help/src/intro.htm"), HelpWindow::DisplayToc),
            nullptr);
  EXPECT_EQ(HelpWindow::current(), nullptr);
  HelpWindow* window = open();
  ASSERT_NE(window, nullptr);
  // An unreadable file later leaves the open window as it was.
  EXPECT_EQ(HelpWindow::execute(u"/nonexistent.chm", HelpWindow::DisplayIndex), nullptr);
  EXPECT_EQ(HelpWindow::current(), window);
  EXPECT_EQ(window->currentPage(), "/intro.htm");
}

TEST_F(HelpWindowTest, CloseAllEndsTheWindowAndTheNextDisplayOpensAnew) {
  HelpWindow* first = open(HelpWindow::HelpContext, 100);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->currentPage(), "/ledger.htm");
  EXPECT_EQ(HelpWindow::execute(String(), HelpWindow::CloseAll), nullptr);
  EXPECT_FALSE(first->isVisible());
  test::flushDeletes();
  EXPECT_EQ(HelpWindow::current(), nullptr);
  HelpWindow* second = open(HelpWindow::DisplayIndex);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(second->currentPage(), "/intro.htm");
  EXPECT_EQ(second->currentTab(), HelpWindow::IndexTab);
  // A command the window does not know opens nothing.
  EXPECT_EQ(HelpWindow::execute(fromUtf8(test::kSampleChm), 99), nullptr);
}

}  // namespace
}  // namespace lv8int
