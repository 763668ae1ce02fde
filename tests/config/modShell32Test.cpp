#include "config/modShell32.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/processes/IProcesses.h"
#include "platform/ui/IEventPump.h"
#include "platform/windows/IWindows.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using Journal = std::vector<std::string>;

class FakeProcesses : public IProcesses {
 public:
  explicit FakeProcesses(Journal& j) : journal(j) {}
  Journal& journal;
  std::deque<int32_t> codes;
  int32_t startError = 0;
  String program;
  std::vector<String> arguments;
  int32_t style = -1;

  ProcessStart start(const String& p, const std::vector<String>& args, int32_t windowStyle) override {
    journal.push_back("start");
    program = p;
    arguments = args;
    style = windowStyle;
    if (startError) return {0, startError};
    return {4242, 0};
  }
  int32_t exitCode(int32_t pid) override {
    journal.push_back("exit code of " + std::to_string(pid));
    int32_t c = codes.front();
    codes.pop_front();
    return c;
  }
  void release(int32_t pid) override { journal.push_back("release " + std::to_string(pid)); }
};

class FakeWindows : public IWindows {
 public:
  explicit FakeWindows(Journal& j) : journal(j) {}
  Journal& journal;
  int32_t mainWindow = 0;
  std::deque<String> captions;

  int32_t handleOf(QWidget*) override { return 0; }
  QWidget* widgetOf(int32_t) override { return nullptr; }
  bool isWindow(int32_t h) override { return h == mainWindow; }
  std::vector<int32_t> topLevelWindows() override { return {}; }
  std::vector<int32_t> processWindows(int64_t) override { return {}; }
  int32_t mainWindowOf(int64_t pid) override {
    journal.push_back("find window of " + std::to_string(pid));
    return mainWindow;
  }
  std::optional<WindowRect> windowRect(int32_t) override { return std::nullopt; }
  bool moveWindow(int32_t, int32_t, int32_t, int32_t, int32_t, bool) override { return false; }
  bool enableWindow(int32_t, bool) override { return false; }
  bool isWindowEnabled(int32_t) override { return true; }
  String windowText(int32_t h) override {
    journal.push_back("caption of " + std::to_string(h));
    if (captions.empty()) return {};
    String c = captions.front();
    captions.pop_front();
    return c;
  }
  bool setWindowText(int32_t, const String&) override { return false; }
  bool requestClose(int32_t h) override {
    journal.push_back("close " + std::to_string(h));
    return true;
  }
};

class FakePump : public IEventPump {
 public:
  explicit FakePump(Journal& j) : journal(j) {}
  Journal& journal;
  void processPendingEvents() override { journal.push_back("events"); }
};

class ShellAndWaitTest : public ::testing::Test {
 protected:
  Journal journal;
  FakeProcesses processes{journal};
  FakeWindows windows{journal};
  FakePump pump{journal};
  ServiceScope<IProcesses> p{processes};
  ServiceScope<IWindows> w{windows};
  ServiceScope<IEventPump> e{pump};
};

TEST_F(ShellAndWaitTest, WindowStyleOutsideZeroToSixOrMissingIsSix) {
  struct Case {
    Variant given;
    int32_t used;
  };
  for (const Case& c : {Case{Variant::missing(), 6}, Case{Variant(int32_t{-1}), 6}, Case{Variant(int32_t{7}), 6},
                        Case{Variant(-0.25), 6}, Case{Variant(6.5), 6}, Case{Variant(int16_t{0}), 0},
                        Case{Variant(int32_t{1}), 1}, Case{Variant(u"3"), 3}, Case{Variant(int32_t{6}), 6}}) {
    processes.codes = {0};
    modShell32::ShellAndWait(u"/bin/tool", c.given);
    EXPECT_EQ(processes.style, c.used) << toUtf8(CStr(c.given));
  }
  EXPECT_TRUE(processes.arguments.empty());
  EXPECT_EQ(processes.program, u"/bin/tool");
}

TEST_F(ShellAndWaitTest, FindsTheWindowOnceClosesItWhenItsCaptionSaysFinishedAndReturnsTheExitCode) {
  windows.mainWindow = 77;
  windows.captions = {u"Setting up", u"", u"finished: press OK", u"Finished"};
  processes.codes = {STILL_ACTIVE, STILL_ACTIVE, STILL_ACTIVE, 5};
  EXPECT_EQ(modShell32::ShellAndWait(u"/bin/tool", Variant(int32_t{1})), 5);
  EXPECT_EQ(journal, (Journal{"start", "find window of 4242",
                              "caption of 77", "exit code of 4242", "events",
                              "caption of 77", "exit code of 4242", "events",
                              "caption of 77", "close 77", "exit code of 4242", "events",
                              "caption of 77", "close 77", "exit code of 4242", "events",
                              "release 4242"}));
}

TEST_F(ShellAndWaitTest, WithoutAWindowNothingIsClosedAndTheWaitEndsWithTheProcess) {
  processes.codes = {STILL_ACTIVE, 0};
  EXPECT_EQ(modShell32::ShellAndWait(u"/bin/tool"), 0);
  EXPECT_EQ(journal, (Journal{"start", "find window of 4242", "exit code of 4242", "events", "exit code of 4242",
                              "events", "release 4242"}));
}

TEST_F(ShellAndWaitTest, AFailedStartReturnsItsNumberPlusVbObjectErrorAndWaitsForNothing) {
  processes.startError = 2;
  EXPECT_EQ(modShell32::ShellAndWait(u"/nowhere/tool"), 2 + vbObjectError);
  EXPECT_EQ(journal, (Journal{"start"}));
}

TEST(ShellAndWaitReal, RunsAProgramInAFolderWithSpacesAndShellCharactersAsWritten) {
  test::TempFolder tmp;
  const std::string dir = "set up $(touch pwned); `x` & 'q'/";
  tmp.write(dir + "LV8ClientSet", "#!/bin/sh\nexit 7\n");
  ::chmod(tmp.file(dir + "LV8ClientSet").c_str(), 0755);
  EXPECT_EQ(modShell32::ShellAndWait(tmp.name(dir + "LV8ClientSet"), Variant(int32_t{1})), 7);
  // A shell would have split the path at its spaces, or run the command substitution in the
  // current folder.
  EXPECT_FALSE(::access("pwned", F_OK) == 0);
}

TEST(ShellAndWaitReal, AMissingProgramReturnsFileNotFoundPlusVbObjectError) {
  test::TempFolder tmp;
  EXPECT_EQ(modShell32::ShellAndWait(tmp.name("missing program")), 2 + vbObjectError);
}

}  // namespace
}  // namespace lv8int
