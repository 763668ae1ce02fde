#include "platform/windows/LinuxWindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>
#include <unistd.h>

#include "support/ModalDriver.h"
#include "support/Scopes.h"

using namespace lv8int;

namespace {

class CountingWidget : public QWidget {
 public:
  using QWidget::QWidget;
  int paints = 0;
  bool refuseClose = false;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
  void closeEvent(QCloseEvent* e) override {
    if (refuseClose) e->ignore();
    else e->accept();
  }
};

}  // namespace

TEST(LinuxWindows, HandlesAreStablePerWidgetAndDieWithIt) {
  LinuxWindows windows;
  EXPECT_EQ(windows.handleOf(nullptr), 0);

  auto* a = new QWidget;
  QWidget b;
  const int32_t ha = windows.handleOf(a);
  EXPECT_NE(ha, 0);
  EXPECT_EQ(windows.handleOf(a), ha);
  EXPECT_NE(windows.handleOf(&b), ha);
  EXPECT_EQ(windows.widgetOf(ha), a);
  EXPECT_TRUE(windows.isWindow(ha));
  // The service a library class reaches is the same table.
  EXPECT_EQ(IWindows::current().handleOf(a), ha);

  delete a;
  EXPECT_EQ(windows.widgetOf(ha), nullptr);
  EXPECT_FALSE(windows.isWindow(ha));
  EXPECT_FALSE(windows.windowRect(ha).has_value());
  EXPECT_FALSE(windows.moveWindow(ha, 0, 0, 10, 10, true));
  EXPECT_FALSE(windows.setWindowText(ha, u"x"));
  EXPECT_EQ(windows.windowText(ha), u"");
  EXPECT_FALSE(windows.requestClose(ha));

  // A new widget, likely at the dead one's address, gets a handle of its own.
  auto c = std::make_unique<QWidget>();
  EXPECT_NE(windows.handleOf(c.get()), ha);
  EXPECT_EQ(windows.widgetOf(0), nullptr);
}

TEST(LinuxWindows, RectangleAndMoveOfWindowsAndChildren) {
  LinuxWindows windows;
  CountingWidget top;
  top.setWindowTitle(QStringLiteral("主窗口"));
  top.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
  const int32_t h = windows.handleOf(&top);

  ASSERT_TRUE(windows.moveWindow(h, 40, 30, 500, 400, false));
  const QRect frame = top.frameGeometry();
  EXPECT_EQ(windows.windowRect(h), (WindowRect{40, 30, 540, 430}));
  EXPECT_EQ(frame.x(), 40);
  EXPECT_EQ(frame.width(), 500);  // the frame's size, not the client area's

  // A child moves within its parent; its rectangle is in screen pixels.
  auto* child = new CountingWidget(&top);
  child->show();
  const int32_t hc = windows.handleOf(child);
  ASSERT_TRUE(windows.moveWindow(hc, 10, 20, 100, 50, false));
  const QPoint origin = top.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(windows.windowRect(hc),
            (WindowRect{origin.x() + 10, origin.y() + 20, origin.x() + 110, origin.y() + 70}));
  EXPECT_EQ(child->geometry(), QRect(10, 20, 100, 50));

  // The repaint flag paints at once; without it the paint waits for the event loop.
  QApplication::processEvents();
  int before = child->paints;
  windows.moveWindow(hc, 12, 20, 100, 50, false);
  EXPECT_EQ(child->paints, before);
  windows.moveWindow(hc, 14, 20, 100, 50, true);
  EXPECT_GT(child->paints, before);

  // Negative sizes are taken as empty, as a window cannot be smaller than nothing.
  ASSERT_TRUE(windows.moveWindow(hc, 0, 0, -5, -5, false));
  EXPECT_EQ(child->size(), QSize(0, 0));
}

TEST(LinuxWindows, EnableCaptionAndCloseRequest) {
  LinuxWindows windows;
  CountingWidget w;
  w.show();
  const int32_t h = windows.handleOf(&w);

  EXPECT_FALSE(windows.enableWindow(h, false));  // was enabled
  EXPECT_FALSE(w.isEnabled());
  EXPECT_FALSE(windows.isWindowEnabled(h));
  EXPECT_TRUE(windows.enableWindow(h, false));  // was disabled
  EXPECT_TRUE(windows.enableWindow(h, true));
  EXPECT_TRUE(w.isEnabled());

  ASSERT_TRUE(windows.setWindowText(h, u"FINISHED 安装完成"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("FINISHED 安装完成"));
  EXPECT_EQ(windows.windowText(h), u"FINISHED 安装完成");

  // The window may refuse the request, as with its close box.
  w.refuseClose = true;
  EXPECT_TRUE(windows.requestClose(h));
  EXPECT_TRUE(w.isVisible());
  w.refuseClose = false;
  EXPECT_TRUE(windows.requestClose(h));
  EXPECT_FALSE(w.isVisible());

  auto* doomed = new QWidget;
  doomed->setAttribute(Qt::WA_DeleteOnClose);
  doomed->show();
  const int32_t hd = windows.handleOf(doomed);
  EXPECT_TRUE(windows.requestClose(hd));
  ASSERT_TRUE(test::waitUntil([&] { return !windows.isWindow(hd); }));
}

TEST(LinuxWindows, WidgetsAreOnlyTouchedFromTheirOwnThread) {
  LinuxWindows windows;
  QWidget w;
  w.setWindowTitle(QStringLiteral("主窗口"));
  const int32_t h = windows.handleOf(&w);
  std::thread([&] {
    EXPECT_EQ(windows.windowText(h), u"");
    EXPECT_FALSE(windows.moveWindow(h, 1, 1, 10, 10, true));
    EXPECT_FALSE(windows.enableWindow(h, false));
  }).join();
  EXPECT_TRUE(w.isEnabled());
  EXPECT_EQ(windows.windowText(h), u"主窗口");
}

// While this thread makes, shows and deletes windows, another thread asks about each of them as
// it lives and dies. It must learn nothing of them (they are no windows to it), and must never
// touch one: before, it read a widget the registry had handed it while the widget was deleted.
TEST(LinuxWindows, AnotherThreadLearnsNothingOfWindowsBeingMadeAndDeleted) {
  LinuxWindows windows;
  QWidget keeper;  // a window that lives throughout, as a host's main window does
  keeper.show();
  std::atomic<int32_t> current{windows.handleOf(&keeper)};
  QWidget* const keeperAddress = &keeper;
  std::atomic<bool> done{false};
  std::atomic<int> answered{0}, rounds{0};

  std::thread asker([&] {
    while (!done.load() || rounds.load() == 0) {
      const int32_t h = current.load();
      int seen = 0;
      seen += windows.isWindow(h);
      seen += windows.isWindowEnabled(h);
      seen += windows.widgetOf(h) != nullptr;
      seen += windows.windowRect(h).has_value();
      seen += !windows.windowText(h).empty();
      seen += !windows.topLevelWindows().empty();
      seen += windows.mainWindowOf(::getpid()) != 0;
      seen += windows.handleOf(keeperAddress) != 0;
      answered += seen;
      ++rounds;
    }
  });
  // Bounded by count, not by time.
  for (int i = 0; i < 1500; ++i) {
    auto w = std::make_unique<QWidget>(i % 3 == 0 ? nullptr : &keeper);
    w->setWindowTitle(QStringLiteral("窗口 %1").arg(i));
    if (i % 5 == 0) w->show();
    current = windows.handleOf(w.get());
    if (i % 50 == 0) QApplication::processEvents();
    w.reset();
  }
  done = true;
  asker.join();
  EXPECT_GT(rounds.load(), 0);
  EXPECT_EQ(answered.load(), 0);
  // Its own thread still has every answer.
  EXPECT_TRUE(windows.isWindowEnabled(windows.handleOf(&keeper)));
  EXPECT_FALSE(windows.topLevelWindows().empty());
}

TEST(LinuxWindows, ThisProcessesWindowsAndItsMainWindow) {
  LinuxWindows windows;
  auto main = std::make_unique<QWidget>();
  main->setWindowTitle(QStringLiteral("main"));
  auto* child = new QWidget(main.get());
  auto* owned = new QDialog(main.get());
  main->show();
  owned->show();
  owned->activateWindow();
  QApplication::processEvents();

  const auto all = windows.processWindows(::getpid());
  const int32_t hm = windows.handleOf(main.get()), ho = windows.handleOf(owned);
  EXPECT_NE(std::find(all.begin(), all.end(), hm), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), ho), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), windows.handleOf(child)), all.end());
  EXPECT_EQ(windows.topLevelWindows(), all);
  // The owned dialog may be active: the main window is the first window without an owner.
  EXPECT_EQ(windows.mainWindowOf(::getpid()), hm);

  // Visible windows come before hidden ones.
  QWidget hiddenOne;
  const auto withHidden = windows.topLevelWindows();
  EXPECT_EQ(withHidden.back(), windows.handleOf(&hiddenOne));
  EXPECT_EQ(windows.mainWindowOf(::getpid()), hm);

  main.reset();
  EXPECT_EQ(windows.mainWindowOf(::getpid()), windows.handleOf(&hiddenOne));
}

TEST(LinuxWindows, AnotherProcessHasNoWindowsWithoutADisplay) {
  test::EnvironmentScope noDisplay("DISPLAY", nullptr);
  LinuxWindows windows;
  EXPECT_TRUE(windows.processWindows(1).empty());
  EXPECT_EQ(windows.mainWindowOf(1), 0);
}
