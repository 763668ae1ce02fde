// Start-up, login, logout and shut-down called again from inside themselves: by the add-in while
// it is told "AFTERLOGIN" or "BEFORELOGOUT", or by the host's form while it receives its console.
// Each nested call is bounded here, so that a missing guard fails an expectation instead of
// overflowing the stack.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/CApplication.h"
#include "config/CConfig.h"
#include "config/CSystemConfig.h"
#include "console/CConsole.h"
#include "support/AppHarness.h"

namespace lv8int {
namespace {

using test::AppHarness;

struct NestedCall {
  const char* name;
  std::function<void(CApplication&)> call;
};
void PrintTo(const NestedCall& c, std::ostream* os) { *os << c.name; }

const NestedCall kNestedCalls[] = {
    {"LogOut", [](CApplication& app) { app.LogOut(); }},
    {"Terminate", [](CApplication& app) { app.Terminate(); }},
    {"login", [](CApplication& app) { EXPECT_FALSE(app.login()); }},
    {"Init", [](CApplication& app) { app.Init(Ref<Object>(app.mainForm()), u"/elsewhere/LV8ASSAPP"); }},
};

class Reentry : public ::testing::TestWithParam<NestedCall> {
 protected:
  // Calls the nested member at most three times, from wherever `when` says.
  void nestOn(bool when) {
    if (when && ++nested_ <= 3) GetParam().call(*h.app);
  }
  std::filesystem::path machineStore() const {
    return h.tree.machineFolder(test::kTestComputerName) + "MachineCfg.xml";
  }

  AppHarness h{AppHarness::WithAddIn};
  int nested_ = 0;
};

TEST_P(Reentry, DuringBeforeLogOutTheAddInIsToldOnceAndTheLogOutCompletes) {
  h.init();
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  h.addIn->onExecute = [&](const String& name) { nestOn(name == u"BEFORELOGOUT"); };

  h.app->LogOut();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_TRUE(std::filesystem::exists(machineStore()));
  // Nothing nested shut the application down under the logout.
  EXPECT_TRUE(h.app->Console());
  EXPECT_TRUE(h.app->Config());
}

TEST_P(Reentry, DuringTerminateTheAddInIsToldOnceAndTheShutDownCompletes) {
  h.init();
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  h.addIn->onExecute = [&](const String& name) { nestOn(name == u"BEFORELOGOUT"); };

  h.app->Terminate();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_FALSE(h.app->Console());
  EXPECT_FALSE(h.app->Config());
  EXPECT_TRUE(std::filesystem::exists(machineStore()));
}

TEST_P(Reentry, DuringAfterLoginNoSecondLoginWindowIsShownAndTheUserStaysLoggedIn) {
  h.init();
  h.addIn->onExecute = [&](const String& name) { nestOn(name == u"AFTERLOGIN"); };

  EXPECT_TRUE(h.loginAs(u"alice", u"17"));
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN");
  EXPECT_EQ(h.loginWindow->logText().find("ShowLogin"), h.loginWindow->logText().rfind("ShowLogin"));
  EXPECT_EQ(h.app->CurrentUserID(), u"17");
  EXPECT_TRUE(h.app->Console());
}

TEST_P(Reentry, WhileTheHostReceivesItsConsoleStartUpRunsToItsEnd) {
  h.form->onCall = [&](const test::TestHostForm::Call& call) { nestOn(call.name == u"SetConsole"); };

  h.init();
  EXPECT_EQ(nested_, 1);
  EXPECT_EQ(h.app->FullPath(), h.tree.hostPath());
  EXPECT_TRUE(h.app->Console() == h.form->console());
  EXPECT_TRUE(h.app->Config());
  EXPECT_TRUE(h.app->SysConfigControl());
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING");
}

INSTANTIATE_TEST_SUITE_P(NestedMember, Reentry, ::testing::ValuesIn(kNestedCalls),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lv8int
