#include "platform/processes/WaitLoop.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/ServiceScope.h"
#include "platform/processes/IProcesses.h"
#include "platform/ui/IEventPump.h"

using namespace lv8int;

namespace {

struct Journal {
  std::vector<std::string> steps;
};

class FakeProcesses : public IProcesses {
 public:
  explicit FakeProcesses(Journal& j) : journal(j) {}
  Journal& journal;
  std::vector<int32_t> codes;
  ProcessStart start(const String&, const std::vector<String>&, int32_t) override { return {}; }
  int32_t exitCode(int32_t pid) override {
    journal.steps.push_back("exit code of " + std::to_string(pid));
    const int32_t c = codes.front();
    codes.erase(codes.begin());
    return c;
  }
  void release(int32_t) override {}
};

class FakePump : public IEventPump {
 public:
  explicit FakePump(Journal& j) : journal(j) {}
  Journal& journal;
  void processPendingEvents() override { journal.steps.push_back("events"); }
};

}  // namespace

TEST(WaitLoop, EachStepReadsTheExitCodeThenProcessesEventsThenSleeps) {
  Journal journal;
  FakeProcesses processes(journal);
  FakePump pump(journal);
  ServiceScope<IProcesses> p(processes);
  ServiceScope<IEventPump> e(pump);
  processes.codes = {STILL_ACTIVE, STILL_ACTIVE, 4};

  QElapsedTimer clock;
  clock.start();
  int rounds = 0;
  int32_t code;
  while ((code = waitloop::step(77)) == STILL_ACTIVE) ++rounds;
  EXPECT_EQ(code, 4);
  EXPECT_EQ(rounds, 2);
  EXPECT_GE(clock.elapsed(), 3 * 100 - 5);  // every step sleeps, the last one too
  EXPECT_EQ(journal.steps, (std::vector<std::string>{"exit code of 77", "events", "exit code of 77",
                                                     "events", "exit code of 77", "events"}));
}

TEST(WaitLoop, TheUserInterfaceStaysAliveWhileARealProcessRuns) {
  const ProcessStart r = IProcesses::current().start(u"/bin/sh", {u"-c", u"sleep 0.5; exit 9"}, 1);
  ASSERT_TRUE(r);
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(20);
  int32_t code;
  QElapsedTimer clock;
  clock.start();
  while ((code = waitloop::step(r.processId)) == STILL_ACTIVE && clock.elapsed() < 20000) {}
  EXPECT_EQ(code, 9);
  EXPECT_GE(ticks, 3);  // the timer fired during the wait, once per step at least
}
