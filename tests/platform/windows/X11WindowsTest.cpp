#include "platform/windows/X11Windows.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/processes/IProcesses.h"
#include "platform/processes/WaitLoop.h"
#include "platform/windows/LinuxWindows.h"
#include "platform/windows/WindowStyle.h"
#include "support/ChildProcess.h"
#include "support/ModalDriver.h"

using namespace lv8int;

namespace {

// A private X server for the length of a test; DISPLAY names it meanwhile.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-ac", "-screen", "0",
               "1024x768x24", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) {
      display_ = ":" + number;
      setenv("DISPLAY", display_.c_str(), 1);
    }
  }
  ~XServer() {
    unsetenv("DISPLAY");
    X11Windows::instance().available();  // lets go of the connection before the server ends
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

bool startsWith(const String& s, std::u16string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

// What the wait for the set-up tool does: find the started program's main window, read its
// caption, ask it to close, and wait for its exit code.
TEST(X11Windows, FindsReadsMovesAndClosesAnotherProgramsWindow) {
  XServer server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb could not be started";
  ASSERT_TRUE(X11Windows::instance().available());

  LinuxWindows windows;
  const ProcessStart started = IProcesses::current().start(
      fromUtf8(test::selfExecutable()),
      {u"--lv8-child=x11-window", u"--title=FINISHED 安装完成", u"--exit=42"},
      windowstyle::SW_SHOWMAXIMIZED);
  ASSERT_TRUE(started) << started.error;
  const int32_t pid = started.processId;

  int32_t h = 0;
  ASSERT_TRUE(test::waitUntil([&] {
    h = windows.mainWindowOf(pid);
    return h != 0 && startsWith(windows.windowText(h), u"FINISHED");
  }, 20000)) << "the child's window did not appear";

  // The owned dialog is above the main window but is not the main window.
  const auto all = windows.processWindows(pid);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_NE(all.front(), h);
  EXPECT_EQ(all.back(), h);
  EXPECT_EQ(windows.windowText(all.front()), u"owned");
  // The child applied the window style it was started with.
  EXPECT_EQ(windows.windowText(h), u"FINISHED 安装完成 maximized");
  EXPECT_TRUE(windows.processWindows(pid + 100000).empty());

  ASSERT_TRUE(windows.moveWindow(h, 15, 25, 300, 200, false));
  EXPECT_TRUE(test::waitUntil([&] { return windows.windowRect(h) == WindowRect{15, 25, 315, 225}; }))
      << "rect " << windows.windowRect(h).value_or(WindowRect{}).left;
  ASSERT_TRUE(windows.setWindowText(h, u"改名"));
  EXPECT_EQ(windows.windowText(h), u"改名");
  EXPECT_FALSE(windows.enableWindow(h, false));  // another process's input is its own

  ASSERT_TRUE(windows.requestClose(h));
  int32_t code = STILL_ACTIVE;
  QElapsedTimer clock;
  clock.start();
  while ((code = waitloop::step(pid)) == STILL_ACTIVE && clock.elapsed() < 20000) {}
  EXPECT_EQ(code, 42);
  EXPECT_FALSE(windows.isWindow(h));
  EXPECT_EQ(windows.windowText(h), u"");
  EXPECT_FALSE(windows.windowRect(h).has_value());
  EXPECT_EQ(windows.mainWindowOf(pid), 0);
}
