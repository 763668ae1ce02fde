#include "platform/windows/WindowStyle.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QWidget>
#include <cstdlib>

#include "support/ModalDriver.h"

using namespace lv8int;

namespace {

void startWith(const char* style) {
  setenv(windowstyle::kEnvironmentVariable, style, 1);
  windowstyle::applyFromEnvironment();
  // Taken out, so that programs started from here do not inherit it.
  EXPECT_EQ(std::getenv(windowstyle::kEnvironmentVariable), nullptr);
}

}  // namespace

TEST(WindowStyle, AppliesToTheFirstTopLevelWindowOnly) {
  startWith("2");
  QMenu popup;  // popups do not count as the program's window
  popup.show();
  QWidget first, second;
  new QWidget(&first);  // nor do children
  first.show();
  second.show();
  EXPECT_FALSE(popup.isMinimized());
  EXPECT_TRUE(first.isMinimized());
  EXPECT_FALSE(second.isMinimized());
}

TEST(WindowStyle, EachStyleShowsAsMeant) {
  startWith("3");
  QWidget maximized;
  maximized.show();
  EXPECT_TRUE(maximized.isMaximized());
  EXPECT_FALSE(maximized.testAttribute(Qt::WA_ShowWithoutActivating));

  startWith("7");
  QWidget quiet;
  quiet.show();
  EXPECT_TRUE(quiet.isMinimized());
  EXPECT_TRUE(quiet.testAttribute(Qt::WA_ShowWithoutActivating));

  startWith("4");
  QWidget noFocus;
  noFocus.setWindowState(Qt::WindowMaximized);
  noFocus.show();
  EXPECT_FALSE(noFocus.isMaximized());
  EXPECT_TRUE(noFocus.testAttribute(Qt::WA_ShowWithoutActivating));

  startWith("0");
  QWidget hidden;
  hidden.show();
  EXPECT_TRUE(test::waitUntil([&] { return !hidden.isVisible(); }, 2000));
}

TEST(WindowStyle, NotAStyleChangesNothing) {
  for (const char* bad : {"", "abc", "3x", "11", "-1"}) {
    startWith(bad);
    QWidget w;
    w.show();
    QApplication::processEvents();
    EXPECT_TRUE(w.isVisible()) << bad;
    EXPECT_EQ(w.windowState(), Qt::WindowNoState) << bad;
  }
  // Without the variable nothing is installed either.
  windowstyle::applyFromEnvironment();
  QWidget w;
  w.show();
  EXPECT_EQ(w.windowState(), Qt::WindowNoState);
}
