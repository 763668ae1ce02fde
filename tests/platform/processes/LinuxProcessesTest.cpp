#include "platform/processes/LinuxProcesses.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/automation/AutomationError.h"
#include "platform/windows/WindowStyle.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

using namespace lv8int;

namespace {

// A folder and script name full of what a shell would take apart.
constexpr const char* kOddFolder = "dir with spaces; $(touch pwned) & 'q'/";
constexpr const char* kOddScript = "run me `touch pwned` $HOME*.sh";

void writeScript(const test::TempFolder& tmp, const std::string& name, const std::string& body,
                 mode_t mode = 0755) {
  tmp.write(name, body);
  ::chmod(tmp.file(name).c_str(), mode);
}

int32_t waitForExit(IProcesses& p, int32_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int32_t code;
  while ((code = p.exitCode(pid)) == STILL_ACTIVE && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return code;
}

}  // namespace

TEST(LinuxProcesses, PathWithSpacesAndShellCharactersStartsAndReportsItsExitCode) {
  test::TempFolder tmp;
  const std::string script = std::string(kOddFolder) + kOddScript;
  writeScript(tmp, script,
              "#!/bin/sh\n"
              "out=\"$(dirname \"$0\")/out.txt\"\n"
              "printf '%s\\n' \"$#\" \"$@\" \"style=$LV8INT_WINDOW_STYLE\" > \"$out\"\n"
              "sleep 0.2\n"
              "exit 7\n");
  LinuxProcesses processes;
  const ProcessStart started = processes.start(
      tmp.name(script), {u"a b", u"$HOME", u"*", u"", u"配置;|&"}, windowstyle::SW_SHOWMINIMIZED);
  ASSERT_TRUE(started) << started.error;
  EXPECT_GT(started.processId, 0);
  EXPECT_EQ(processes.exitCode(started.processId), STILL_ACTIVE);
  EXPECT_EQ(waitForExit(processes, started.processId), 7);
  EXPECT_EQ(processes.exitCode(started.processId), 7);  // kept until released

  // Arguments arrive one for one, unexpanded; the window style is in the environment.
  EXPECT_EQ(tmp.read(std::string(kOddFolder) + "out.txt"), "5\na b\n$HOME\n*\n\n配置;|&\nstyle=2\n");
  EXPECT_FALSE(tmp.exists(std::string(kOddFolder) + "pwned"));
  EXPECT_FALSE(tmp.exists("pwned"));

  processes.release(started.processId);
  // A released, ended process has no exit code any more.
  EXPECT_EQ(test::raisedError([&] { processes.exitCode(started.processId); }).number(), err::InvalidProcedureCall);
}

TEST(LinuxProcesses, StartFailuresGiveTheirErrorNumbers) {
  test::TempFolder tmp;
  writeScript(tmp, "not executable.sh", "#!/bin/sh\nexit 0\n", 0644);
  writeScript(tmp, "garbage", "this is not a program\n", 0755);
  tmp.mkdir("a folder");
  LinuxProcesses processes;
  const struct {
    String program;
    int32_t error;
  } cases[] = {
      {tmp.name("missing program"), 2},
      {tmp.name("no such folder/program"), 3},
      {tmp.name("not executable.sh"), 5},
      {tmp.name("a folder"), 5},
      {tmp.name("garbage"), 193},
      {u"", 2},
      {u"lv8-no-such-command-anywhere", 2},
  };
  for (const auto& c : cases) {
    const ProcessStart r = processes.start(c.program, {}, 1);
    EXPECT_FALSE(r) << toUtf8(c.program);
    EXPECT_EQ(r.error, c.error) << toUtf8(c.program);
    EXPECT_EQ(r.processId, 0) << toUtf8(c.program);
  }
  // The caller adds the number to the first component error code.
  EXPECT_EQ(LinuxProcesses::errorNumber(ENOENT) + vbObjectError, -2147221502);
}

TEST(LinuxProcesses, ANameWithoutSlashIsLookedUpInPath) {
  LinuxProcesses processes;
  const ProcessStart r = processes.start(u"sh", {u"-c", u"exit 3"}, 1);
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(waitForExit(processes, r.processId), 3);
}

TEST(LinuxProcesses, ChildrenAreReapedEvenWhenNobodyAsks) {
  LinuxProcesses processes;
  const ProcessStart r = processes.start(u"/bin/sh", {u"-c", u"exit 0"}, 1);
  ASSERT_TRUE(r);
  const std::string proc = "/proc/" + std::to_string(r.processId);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (::access(proc.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(::access(proc.c_str(), F_OK), 0) << "the ended child is still in the process table";
  EXPECT_EQ(processes.exitCode(r.processId), 0);
}

TEST(LinuxProcesses, SignalsRunningOthersAndUnknownIds) {
  LinuxProcesses processes;
  const ProcessStart killed = processes.start(u"/bin/sh", {u"-c", u"kill -TERM $$; sleep 5"}, 1);
  ASSERT_TRUE(killed);
  EXPECT_EQ(waitForExit(processes, killed.processId), 128 + 15);

  // A process started elsewhere that is running: still active.
  EXPECT_EQ(processes.exitCode(static_cast<int32_t>(::getpid())), STILL_ACTIVE);
  for (int32_t id : {0, -1, 0x7ffffff0})
    EXPECT_EQ(test::raisedError([&] { processes.exitCode(id); }).number(), err::InvalidProcedureCall) << id;
}

TEST(LinuxProcesses, ReleasingARunningChildForgetsItWhenItEnds) {
  LinuxProcesses processes;
  const ProcessStart r = processes.start(u"/bin/sh", {u"-c", u"sleep 0.2"}, 1);
  ASSERT_TRUE(r);
  processes.release(r.processId);
  EXPECT_EQ(processes.exitCode(r.processId), STILL_ACTIVE);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool forgotten = false;
  while (!forgotten && std::chrono::steady_clock::now() < deadline) {
    try {
      processes.exitCode(r.processId);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } catch (const AutomationError&) {
      forgotten = true;
    }
  }
  EXPECT_TRUE(forgotten);
}
