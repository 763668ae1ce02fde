#include "help/CHTMLHelp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QListWidget>

#include <cstdlib>
#include <filesystem>

#include "help/HelpBrowser.h"
#include "help/HelpTestSupport.h"
#include "help/HelpWindow.h"
#include "platform/ServiceScope.h"
#include "platform/files/Files.h"
#include "platform/ui/MessageBoxStyle.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using test::EnvironmentScope;
using test::RecordingMessageBox;

const String kNotFoundTail = u" does not exist.\nPlease make sure the correct path and file name have been specified.";

class CHTMLHelpTest : public ::testing::Test {
 protected:
  CHTMLHelpTest() : registry_(String(), String()), registryScope_(registry_), boxScope_(box_) {}
  ~CHTMLHelpTest() override {
    HelpWindow::closeAll();
    test::flushDeletes();
  }

  // Registers `name` with `folder` (of the given type) in the HTML Help registration.
  void registerFile(const String& name, const String& folder, uint32_t type = reg::REG_SZ) {
    reg::OpenedKey key(registry_, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\HTML Help", true);
    ASSERT_TRUE(key.ok());
    ASSERT_EQ(registry_.setValue(key.handle(), reg::Value::string(name, folder, type)), reg::ERROR_SUCCESS);
  }
  String copySample(const std::string& name) {
    std::filesystem::copy_file(test::kSampleChm, temp_.file(name));
    return temp_.name(name);
  }

  Registry registry_;
  ServiceScope<IRegistry> registryScope_;
  RecordingMessageBox box_;
  ServiceScope<IMessageBox> boxScope_;
  test::TempFolder temp_;
};

TEST_F(CHTMLHelpTest, NameNotEndingInChmShowsMessageAndOpensNothing) {
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(u"manual.txt");
  help->HHDisplayContents();
  help->HHDisplayTopicID();
  ASSERT_EQ(box_.shown.size(), 2u);
  EXPECT_EQ(box_.shown[0].text, u"manual.txt is not a valid HTML Help file.");
  EXPECT_EQ(box_.shown[0].style, msgbox::MB_OK | msgbox::MB_ICONEXCLAMATION);
  EXPECT_EQ(box_.shown[0].caption, u"HTML Help Class");
  EXPECT_EQ(help->CHMFile(), u"manual.txt");  // not looked up, not rewritten
  EXPECT_EQ(HelpWindow::current(), nullptr);
}

TEST_F(CHTMLHelpTest, DamagedFileShowsNotValidMessageAndLeavesTheWindow) {
  copySample("good.chm");
  std::string bytes = temp_.read("good.chm");
  ASSERT_GT(bytes.size(), 0x60u);
  bytes[4] = '\x09';  // a file header version no compiler writes
  temp_.write("damaged.chm", bytes);
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(temp_.name("damaged.chm"));
  help->HHDisplayContents();
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].text, temp_.name("damaged.chm") + u" is not a valid HTML Help file.");
  EXPECT_EQ(box_.shown[0].caption, u"HTML Help Class");
  EXPECT_EQ(HelpWindow::current(), nullptr);

  // With a window open, the damaged file leaves it showing the file it had.
  auto good = make<CHTMLHelp>();
  good->put_CHMFile(temp_.name("good.chm"));
  good->HHDisplayContents();
  ASSERT_NE(HelpWindow::current(), nullptr);
  help->HHDisplayTopicID();
  ASSERT_EQ(box_.shown.size(), 2u);
  EXPECT_EQ(box_.shown[1].text, box_.shown[0].text);
  ASSERT_NE(HelpWindow::current(), nullptr);
  EXPECT_EQ(HelpWindow::current()->currentPage(), "/intro.htm");
}

TEST_F(CHTMLHelpTest, UpperCaseExtensionPassesAndFullPathIsKept) {
  const String path = copySample("SAMPLE.CHM");
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(path);
  help->HHDisplayContents();
  EXPECT_TRUE(box_.shown.empty());
  EXPECT_EQ(help->CHMFile(), path);
  HelpWindow* window = HelpWindow::current();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->filePath(), toUtf8(path));
}

TEST_F(CHTMLHelpTest, BareNameIsFoundBesideTheLibraryWhenNotRegistered) {
  const String name = fromUtf8("h12-beside-" + std::to_string(getpid()) + ".chm");
  const String beside = files::libraryFolder() + name;
  std::filesystem::copy_file(test::kSampleChm, toUtf8(beside));
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(name);
  help->HHDisplayIndex();
  std::filesystem::remove(toUtf8(beside));
  EXPECT_TRUE(box_.shown.empty());
  EXPECT_EQ(help->CHMFile(), beside);
  ASSERT_NE(HelpWindow::current(), nullptr);
  EXPECT_EQ(HelpWindow::current()->filePath(), toUtf8(beside));
}

TEST_F(CHTMLHelpTest, BareNameMissingEverywhereShowsTheLibraryPath) {
  {
    // A registration value that is not text does not count.
    reg::OpenedKey key(registry_, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\HTML Help", true);
    registry_.setValue(key.handle(), reg::Value::dword(u"h12-nowhere.chm", 1));
  }
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(u"h12-nowhere.chm");
  help->HHDisplaySearch();
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].text, u"The file " + files::libraryFolder() + u"h12-nowhere.chm" + kNotFoundTail);
  EXPECT_EQ(HelpWindow::current(), nullptr);
}

TEST_F(CHTMLHelpTest, RegistrationIsMatchedWithoutCaseAndExpanded) {
  copySample("sample.chm");
  EnvironmentScope folder("H12_HELP_FOLDER", temp_.path().c_str());
  registerFile(u"other.chm", u"/elsewhere");
  registerFile(u"Sample.CHM", u"%H12_HELP_FOLDER%", reg::REG_EXPAND_SZ);

  auto help = make<CHTMLHelp>();
  String name = u"sample.chm";
  help->HHCheckRegistry(name);
  EXPECT_EQ(name, u"sample.chm");  // the argument itself is not rewritten
  EXPECT_TRUE(box_.shown.empty());

  help->put_CHMFile(u"sample.chm");
  help->HHDisplayContents();
  EXPECT_TRUE(box_.shown.empty());
  // The registered folder and the registered spelling of the name.
  EXPECT_EQ(help->CHMFile(), temp_.name("Sample.CHM"));
  // The file on disk is spelled differently again; the window still opens it.
  ASSERT_NE(HelpWindow::current(), nullptr);
  EXPECT_EQ(HelpWindow::current()->currentPage(), "/intro.htm");
}

TEST_F(CHTMLHelpTest, StaleRegistrationShowsNotFoundTwice) {
  registerFile(u"gone.chm", fromUtf8(temp_.path() + "old"));
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(u"gone.chm");
  help->HHDisplayContents();
  const String expected = u"The file " + fromUtf8(temp_.path()) + u"old/gone.chm" + kNotFoundTail;
  ASSERT_EQ(box_.shown.size(), 2u);
  EXPECT_EQ(box_.shown[0].text, expected);  // the registered path
  EXPECT_EQ(box_.shown[1].text, expected);  // the path the display then looked for
  EXPECT_EQ(help->CHMFile(), fromUtf8(temp_.path()) + u"old/gone.chm");
  EXPECT_EQ(HelpWindow::current(), nullptr);
}

TEST_F(CHTMLHelpTest, EachDisplayOpensItsPageAndCloseEndsTheWindow) {
  auto help = make<CHTMLHelp>();
  help->put_CHMFile(copySample("sample.chm"));

  help->HHDisplayContents();
  HelpWindow* window = HelpWindow::current();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->currentTab(), HelpWindow::ContentsTab);
  EXPECT_EQ(window->currentPage(), "/intro.htm");  // the default topic

  help->put_HHTopicID(200);
  help->HHDisplayTopicID();
  EXPECT_EQ(HelpWindow::current(), window);  // one window per thread
  EXPECT_EQ(window->currentPage(), "/vouchers.htm");
  EXPECT_NE(window->browser()->toPlainText().indexOf(QStringLiteral("approve them")), -1);

  help->HHDisplayIndex();
  EXPECT_EQ(window->currentTab(), HelpWindow::IndexTab);
  EXPECT_EQ(window->currentPage(), "/vouchers.htm");  // the page shown stays

  window->searchQuery()->setText(QStringLiteral("ledger"));
  window->search(QStringLiteral("ledger"));
  help->HHDisplaySearch();
  EXPECT_EQ(window->currentTab(), HelpWindow::SearchTab);
  EXPECT_TRUE(window->searchQuery()->text().isEmpty());  // opened with an empty query
  EXPECT_EQ(window->searchResults()->count(), 0);

  // Topic 0 is asked of the file by context number like any other: it has no such topic.
  help->put_HHTopicID(0);
  help->HHDisplayTopicID();
  EXPECT_EQ(window->currentPage(), "");
  EXPECT_EQ(window->message(), QStringLiteral("此帮助文件中没有上下文编号为 0 的主题。"));
  help->put_HHTopicID(100);
  help->HHDisplayTopicID();
  EXPECT_EQ(window->currentPage(), "/ledger.htm");
  EXPECT_EQ(window->message(), QString());
  EXPECT_TRUE(box_.shown.empty());

  help->HHClose();
  EXPECT_FALSE(window->isVisible());
  test::flushDeletes();
  EXPECT_EQ(HelpWindow::current(), nullptr);
  help->HHClose();  // nothing left to close
  EXPECT_TRUE(box_.shown.empty());
}

}  // namespace
}  // namespace lv8int
