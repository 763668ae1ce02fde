// The shared save counter beside a hive: a save in one process is seen by the very next read in
// another, and a damaged, planted or foreign counter file neither hurts a reader nor stops saves.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "platform/registry/Registry.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using reg::Value;

constexpr char16_t kKey[] = u"SOFTWARE\\Shared";

// Runs `work` in a child process; true when it returned true there.
bool inAnotherProcess(const std::function<bool()>& work) {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    bool ok = false;
    try {
      ok = work();
    } catch (...) {
    }
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool setValue(IRegistry& r, const Value& v) {
  reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, kKey, true);
  return k.ok() && r.setValue(k.handle(), v) == reg::ERROR_SUCCESS;
}

String textOf(IRegistry& r, reg::Handle key, StringView name) {
  Value v;
  return r.getValue(key, name, v) == reg::ERROR_SUCCESS ? v.text() : String(u"(missing)");
}

class SaveCounterFiles : public ::testing::Test {
 protected:
  test::TempFolder dir;
  String machine = dir.name("etc/registry.reg");
  std::string counter = dir.file("etc/registry.reg.saves");

  // Another process saves "v" = `text` in a registry of its own.
  bool savedElsewhere(const char16_t* text) {
    return inAnotherProcess([&] {
      Registry writer(machine, {});
      return setValue(writer, Value::string(u"v", text));
    });
  }

  bool counterFileIsSound() const {
    struct stat st{};
    if (::lstat(counter.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) return false;
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return false;
    return dir.read("etc/registry.reg.saves").substr(0, 8) == "LV8SAVES" && st.st_size == 16;
  }

  void bumpCounter() const {
    const int fd = ::open(counter.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    uint64_t n = 0;
    ASSERT_EQ(::pread(fd, &n, sizeof n, 8), static_cast<ssize_t>(sizeof n));
    ++n;
    ASSERT_EQ(::pwrite(fd, &n, sizeof n, 8), static_cast<ssize_t>(sizeof n));
    ::close(fd);
  }
};

TEST_F(SaveCounterFiles, ASaveInAnotherProcessIsSeenByTheVeryNextRead) {
  Registry reader(machine, {});
  ASSERT_TRUE(setValue(reader, Value::string(u"v", u"0")));
  reg::OpenedKey key(reader, reg::HKEY_LOCAL_MACHINE, kKey);
  ASSERT_TRUE(key.ok());
  EXPECT_TRUE(reader.hiveStatus(reg::HKEY_LOCAL_MACHINE).sharedCounter);
  EXPECT_TRUE(counterFileIsSound());

  // A writer process that saves round after round when asked, and answers once it has saved;
  // the reader reads as soon as the answer comes (well within any interval of looking again).
  int ask[2], answer[2];
  ASSERT_EQ(::pipe(ask), 0);
  ASSERT_EQ(::pipe(answer), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(ask[1]);
    ::close(answer[0]);
    Registry writer(machine, {});
    char round = 0;
    while (::read(ask[0], &round, 1) == 1) {
      const String text = toString(round);
      const char ok = setValue(writer, Value::string(u"v", text)) ? 1 : 0;
      if (::write(answer[1], &ok, 1) != 1) break;
    }
    ::_exit(0);
  }
  ::close(ask[0]);
  ::close(answer[1]);
  for (char round = 1; round <= 40; ++round) {
    ASSERT_EQ(textOf(reader, key.handle(), u"v"), toString(round - 1));
    char ok = 0;
    ASSERT_EQ(::write(ask[1], &round, 1), 1);
    ASSERT_EQ(::read(answer[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(textOf(reader, key.handle(), u"v"), toString(round)) << "round " << int{round};
  }
  ::close(ask[1]);
  ::close(answer[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);

  // The reader's own saves do not make it read the file again.
  const uint64_t loads = reader.hiveStatus(reg::HKEY_LOCAL_MACHINE).loads;
  ASSERT_TRUE(setValue(reader, Value::string(u"w", u"mine")));
  EXPECT_EQ(textOf(reader, key.handle(), u"w"), u"mine");
  EXPECT_EQ(reader.hiveStatus(reg::HKEY_LOCAL_MACHINE).loads, loads);
}

TEST_F(SaveCounterFiles, DamagedOrPlantedCounterFilesAreReplacedAndNothingBehindThemIsWritten) {
  const std::string victim = dir.file("etc/victim.txt");
  struct Case {
    const char* what;
    std::function<void()> plant;
  };
  const Case cases[] = {
      {"missing", [] {}},
      {"empty", [&] { dir.write("etc/registry.reg.saves", ""); }},
      {"cut short", [&] { dir.write("etc/registry.reg.saves", "LV8SAV"); }},
      {"foreign text", [&] { dir.write("etc/registry.reg.saves", "somebody's notes, not a counter\n"); }},
      {"a symbolic link", [&] { ASSERT_EQ(::symlink(victim.c_str(), counter.c_str()), 0); }},
      {"a hard link", [&] { ASSERT_EQ(::link(victim.c_str(), counter.c_str()), 0); }},
      {"a pipe", [&] { ASSERT_EQ(::mkfifo(counter.c_str(), 0644), 0); }},
      {"writable by everybody",
       [&] {
         dir.write("etc/registry.reg.saves", std::string("LV8SAVES\x05\0\0\0\0\0\0\0", 16));
         ASSERT_EQ(::chmod(counter.c_str(), 0666), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(counter.c_str());
    dir.write("etc/victim.txt", "LV8SAVES and sixteen bytes more\n");
    c.plant();
    Registry reader(machine, {});
    ASSERT_TRUE(setValue(reader, Value::string(u"v", u"first")));
    EXPECT_TRUE(counterFileIsSound());
    EXPECT_EQ(dir.read("etc/victim.txt"), "LV8SAVES and sixteen bytes more\n");
    struct stat st{};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u);
    reg::OpenedKey key(reader, reg::HKEY_LOCAL_MACHINE, kKey);
    ASSERT_EQ(textOf(reader, key.handle(), u"v"), u"first");
    ASSERT_TRUE(savedElsewhere(u"second"));
    EXPECT_EQ(textOf(reader, key.handle(), u"v"), u"second");
  }
}

TEST_F(SaveCounterFiles, AFolderInTheCounterFilesPlaceOnlyCostsTheSharing) {
  dir.mkdir("etc/registry.reg.saves");
  Registry reader(machine, {});
  ASSERT_TRUE(setValue(reader, Value::string(u"v", u"first")));
  EXPECT_FALSE(reader.hiveStatus(reg::HKEY_LOCAL_MACHINE).sharedCounter);
  ASSERT_TRUE(savedElsewhere(u"second"));
  reg::OpenedKey key(reader, reg::HKEY_LOCAL_MACHINE, kKey);
  // Without a counter the file is looked at again after a short while.
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(textOf(reader, key.handle(), u"v"), u"second");
  struct stat st{};
  ASSERT_EQ(::stat(counter.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(SaveCounterFiles, ARemovedCounterFileIsFoundAgainAfterTheNextSave) {
  Registry reader(machine, {});
  ASSERT_TRUE(setValue(reader, Value::string(u"v", u"first")));
  reg::OpenedKey key(reader, reg::HKEY_LOCAL_MACHINE, kKey);
  ASSERT_EQ(::unlink(counter.c_str()), 0);
  ASSERT_TRUE(savedElsewhere(u"second"));  // makes a new counter file the reader has not mapped
  EXPECT_TRUE(counterFileIsSound());
  // The file is looked at again within a quarter of a second, and the new counter with it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(textOf(reader, key.handle(), u"v"), u"second");
  ASSERT_TRUE(savedElsewhere(u"third"));
  EXPECT_EQ(textOf(reader, key.handle(), u"v"), u"third");
}

// A counter that only its (other) owner can change is not followed: they could otherwise run
// it on, and every read would read the hive again; a trusted one is followed count by count.
TEST_F(SaveCounterFiles, ACounterOfAnotherUserIsNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of another user needs the administrator";
  constexpr uid_t kNobody = 65534;
  {
    Registry writer(machine, {});
    ASSERT_TRUE(setValue(writer, Value::string(u"v", u"first")));
  }
  struct Case {
    uid_t owner;
    bool followed;
  };
  for (const Case c : {Case{kNobody, false}, Case{0, true}}) {
    SCOPED_TRACE(c.owner);
    ASSERT_EQ(::chown(counter.c_str(), c.owner, 0), 0);
    Registry reader(machine, {});
    reg::OpenedKey key(reader, reg::HKEY_LOCAL_MACHINE, kKey);
    ASSERT_EQ(textOf(reader, key.handle(), u"v"), u"first");
    const Registry::HiveStatus before = reader.hiveStatus(reg::HKEY_LOCAL_MACHINE);
    EXPECT_EQ(before.sharedCounter, c.followed);
    for (int i = 0; i < 30; ++i) {
      bumpCounter();
      EXPECT_EQ(textOf(reader, key.handle(), u"v"), u"first");
    }
    const uint64_t loads = reader.hiveStatus(reg::HKEY_LOCAL_MACHINE).loads - before.loads;
    if (c.followed) {
      EXPECT_EQ(loads, 30u) << "a changed count reads the hive again, even when its file looks the same";
    } else {
      EXPECT_EQ(loads, 0u);
    }
  }
}

}  // namespace
}  // namespace lv8int
