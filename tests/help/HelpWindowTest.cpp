#include "help/HelpWindow.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QListWidget>
#include <QPrinter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdlib>

#include "help/HelpBrowser.h"
#include "help/HelpTestSupport.h"
#include "support/LanguageScope.h"

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
  // The contents follow the page shown, however it was reached.
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem(), intro->child(1));
  window->browser()->backward();
  EXPECT_EQ(window->currentPage(), "/ledger.htm");
  EXPECT_EQ(tree->currentItem(), intro->child(0));
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

TEST_F(HelpWindowTest, TextsFollowTheSuitesLanguage) {
  struct Case {
    const char* language;  // LV8INT_LANGUAGE, null for unset
    QStringList tabs;
    QString listTopics, back;
  };
  const QStringList english{"Contents", "Index", "Search"};
  const Case cases[] = {
      {nullptr, {"目录", "索引", "搜索"}, "列出主题", "后退"},
      {"zh_CN", {"目录", "索引", "搜索"}, "列出主题", "后退"},
      {"en", english, "List Topics", "Back"},
      {"fr", english, "List Topics", "Back"},  // no translation: the English texts
  };
  for (const Case& c : cases) {
    test::LanguageScope language(c.language);
    SCOPED_TRACE(language.name());
    HelpWindow* window = open();
    ASSERT_NE(window, nullptr);
    auto* tabs = window->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ((QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}), c.tabs);
    auto* listTopics = window->findChild<QPushButton*>();
    ASSERT_NE(listTopics, nullptr);
    EXPECT_EQ(listTopics->text(), c.listTopics);
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("back"))->text(), c.back);
    HelpWindow::closeAll();
    test::flushDeletes();
  }
}

TEST_F(HelpWindowTest, BackForwardHomeAndPrint) {
  HelpWindow* window = open();
  ASSERT_NE(window, nullptr);
  auto* back = window->findChild<QToolButton*>(QStringLiteral("back"));
  auto* forward = window->findChild<QToolButton*>(QStringLiteral("forward"));
  auto* home = window->findChild<QToolButton*>(QStringLiteral("home"));
  ASSERT_TRUE(back && forward && home);
  EXPECT_FALSE(back->isEnabled());
  ASSERT_TRUE(window->showPage("ledger.htm"));
  ASSERT_TRUE(window->showPage("vouchers.htm"));
  struct Step {
    QToolButton* button;
    const char* page;
    bool backEnabled, forwardEnabled;
  };
  const Step steps[] = {{back, "/ledger.htm", true, true},
                        {back, "/intro.htm", false, true},
                        {forward, "/ledger.htm", true, true},
                        {home, "/intro.htm", true, false}};
  for (const Step& step : steps) {
    QTest::mouseClick(step.button, Qt::LeftButton);
    EXPECT_EQ(window->currentPage(), step.page);
    EXPECT_EQ(back->isEnabled(), step.backEnabled) << step.page;
    EXPECT_EQ(forward->isEnabled(), step.forwardEnabled) << step.page;
  }

  QTemporaryDir dir;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
  window->printPage(&printer);
  QFile pdf(printer.outputFileName());
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

}  // namespace
}  // namespace lv8int
