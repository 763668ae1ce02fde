// Login and logout through the login window component: the order of its operations, the
// centring over the main window, the main window's disabling, the user store and the add-in.
#include <gtest/gtest.h>

#include <QDialog>
#include <QWidget>
#include <climits>
#include <filesystem>
#include <map>

#include "app/CApplication.h"
#include "app/CBaseInfo.h"
#include "config/CConfig.h"
#include "config/CUserConfig.h"
#include "console/CConsole.h"
#include "periods/CPeriods.h"
#include "platform/ServiceScope.h"
#include "platform/files/Files.h"
#include "platform/windows/IWindows.h"
#include "support/AppHarness.h"
#include "support/FakeMidTier.h"
#include "support/RaisedError.h"

namespace lv8int {
namespace {

using test::AppHarness;
using test::errorOf;

// Window operations with rectangles the test chooses, recording moves and enabling.
class FakeWindows : public IWindows {
 public:
  int32_t handleOf(QWidget* widget) override {
    if (!widget) return 0;
    auto it = handles.find(widget);
    if (it == handles.end()) it = handles.emplace(widget, static_cast<int32_t>(handles.size()) + 1).first;
    return it->second;
  }
  QWidget* widgetOf(int32_t) override { return nullptr; }
  bool isWindow(int32_t handle) override { return rects.count(handle) != 0; }
  std::vector<int32_t> topLevelWindows() override { return {}; }
  std::vector<int32_t> processWindows(int64_t) override { return {}; }
  int32_t mainWindowOf(int64_t) override { return 0; }
  std::optional<WindowRect> windowRect(int32_t handle) override {
    auto it = rects.find(handle);
    if (it == rects.end()) return std::nullopt;
    return it->second;
  }
  bool moveWindow(int32_t handle, int32_t x, int32_t y, int32_t w, int32_t h, bool repaint) override {
    log.push_back("move " + std::to_string(handle) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
                  std::to_string(w) + "x" + std::to_string(h) + (repaint ? " repaint" : ""));
    return true;
  }
  bool enableWindow(int32_t handle, bool enable) override {
    log.push_back((enable ? "enable " : "disable ") + std::to_string(handle));
    return false;
  }
  bool isWindowEnabled(int32_t) override { return true; }
  String windowText(int32_t) override { return {}; }
  bool setWindowText(int32_t, const String&) override { return true; }
  bool requestClose(int32_t) override { return true; }

  std::map<QWidget*, int32_t> handles;
  std::map<int32_t, WindowRect> rects;
  std::vector<std::string> log;
};

class Login : public ::testing::Test {
 protected:
  explicit Login(AppHarness::AddInChoice addIn = AppHarness::NoAddIn) : h(addIn) { h.init(); }

  bool mainWindowEnabled() { return h.form->widget()->isEnabled(); }

  AppHarness h;
};

class LoginWithAddIn : public Login {
 protected:
  LoginWithAddIn() : Login(AppHarness::WithAddIn) {}
};

TEST_F(Login, ASuccessfulLoginReadsEachFieldThroughItsOwnCallAndOpensTheUsersStore) {
  std::vector<bool> enabledWhileReading;
  h.loginWindow->onCall = [&](const std::string& op) {
    if (op == "LoginInfo") enabledWhileReading.push_back(mainWindowEnabled());
  };
  ASSERT_TRUE(h.loginAs(u"alice", u"17", u"0"));
  EXPECT_EQ(h.loginWindow->logText(), "hWnd,ShowLogin,LoginInfo,LoginInfo,LoginInfo,LoginInfo,CloseLogin");
  // Disabled while the record is read, enabled again before the user store is opened.
  EXPECT_EQ(enabledWhileReading, (std::vector<bool>{false, false, false, true}));
  EXPECT_TRUE(mainWindowEnabled());
  EXPECT_EQ(h.app->CurrentUserID(), u"17");
  EXPECT_EQ(h.app->CurrentUserName(), u"alice");
  EXPECT_FALSE(h.app->IsExamNum());
  Ref<CUserConfig> store = h.app->UserConfigControl();
  ASSERT_TRUE(store);
  EXPECT_EQ(store->userCode(), u"alice");
  EXPECT_EQ(store->fileName(), fromUtf8(h.tree.userFolder("alice") + "usercfg.xml"));
  EXPECT_TRUE(h.app->UserConfig() == store->Registry());
  // Without an add-in the user's properties are not overlaid.
  EXPECT_FALSE(h.tree.folder().exists(h.tree.userFolder("alice").substr(h.tree.folder().path().size()) + "user.xml"));
  EXPECT_EQ(CStr(h.app->Config()->Properties(u"UserSetting")), u"");
}

TEST_F(Login, TheDialogIsCentredOverTheMainWindowWithTruncatingDivision) {
  FakeWindows windows;
  ServiceScope<IWindows> scope(windows);
  const int32_t main = windows.handleOf(h.form->widget());
  const int32_t dialog = windows.handleOf(h.loginWindow->dialog());
  windows.rects[main] = {100, 50, 900, 650};      // 800 x 600
  windows.rects[dialog] = {10, 20, 813, 623};     // 3 pixels wider and taller
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  ASSERT_GE(windows.log.size(), 3u);
  // (800 - 803) \ 2 is -1, not -2: the dialog's corner lands one pixel left of and above the main window's.
  EXPECT_EQ(windows.log[0], "move " + std::to_string(dialog) + " 99,49 803x603");
  EXPECT_EQ(windows.log[1], "disable " + std::to_string(main));
  EXPECT_EQ(windows.log[2], "enable " + std::to_string(main));

  windows.log.clear();
  windows.rects[dialog] = {0, 0, 301, 201};
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  EXPECT_EQ(windows.log[0], "move " + std::to_string(dialog) + " 349,249 301x201");
}

TEST_F(Login, CentringThatOverflowsRaisesOverflowBeforeTheDialogIsShown) {
  FakeWindows windows;
  ServiceScope<IWindows> scope(windows);
  windows.rects[windows.handleOf(h.form->widget())] = {INT32_MIN + 10, 0, INT32_MAX - 10, 600};
  windows.rects[windows.handleOf(h.loginWindow->dialog())] = {0, 0, 300, 200};
  h.loginWindow->info = test::TestLoginWindow::record(u"alice", u"17", u"");
  EXPECT_EQ(errorOf([&] { h.app->login(); }), err::Overflow);
  EXPECT_EQ(h.loginWindow->logText(), "hWnd");
  EXPECT_TRUE(windows.log.empty());
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
}

TEST_F(Login, TheRealWindowsOfTheHostAndTheDialogAreUsed) {
  // The dialog 3 pixels wider than the host's window, on the offscreen platform.
  IWindows& windows = IWindows::current();
  const WindowRect main = *windows.windowRect(h.form->hwnd());
  h.loginWindow->dialog()->resize(main.right - main.left + 3, 100);
  const WindowRect before = *windows.windowRect(h.loginWindow->hWnd());
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  const WindowRect after = *windows.windowRect(h.loginWindow->hWnd());
  EXPECT_EQ(after.left, main.left - 1);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(Login, ACancelledLoginChangesNothingAndACancelledLogin2KeepsTheLoginType) {
  ASSERT_TRUE(h.loginAs(u"alice", u"17", u"True"));
  Ref<CUserConfig> store = h.app->UserConfigControl();
  const int32_t typeBefore = h.app->LoginType();

  auto window = make<test::TestLoginWindow>();
  test::ProvidedComponent replaced(test::kTestLoginWindowProgID, window);
  window->loginSucceeds = false;
  window->info = test::TestLoginWindow::record(u"bob", u"18", u"0");
  window->endLoginType = typeBefore + 4;
  EXPECT_FALSE(h.app->login());
  EXPECT_EQ(window->logText(), "hWnd,ShowLogin,CloseLogin");
  EXPECT_EQ(h.app->LoginType(), typeBefore);

  int32_t requested = 9;
  EXPECT_FALSE(h.app->login2(requested));
  EXPECT_EQ(window->logText(), "hWnd,ShowLogin,CloseLogin,SetLoginType(9),hWnd,ShowLogin,GetLoginType,CloseLogin");
  EXPECT_EQ(h.app->LoginType(), typeBefore + 4);

  EXPECT_EQ(h.app->CurrentUserID(), u"17");
  EXPECT_EQ(h.app->CurrentUserName(), u"alice");
  EXPECT_TRUE(h.app->IsExamNum());
  EXPECT_TRUE(h.app->UserConfigControl() == store);
  EXPECT_TRUE(mainWindowEnabled());
  // The login type and the exam flag outlast the session.
  h.app->LogOut();
  EXPECT_EQ(h.app->LoginType(), typeBefore + 4);
  EXPECT_TRUE(h.app->IsExamNum());
}

TEST_F(Login, Login2PassesTheRequestedTypeAndKeepsTheOneTheDialogEndedWith) {
  h.loginWindow->info = test::TestLoginWindow::record(u"carol", u"21", u"");
  h.loginWindow->endLoginType = 2;
  // Late-bound, with the caller's variable by reference.
  Variant requested(int32_t{1});
  Args args{Variant::byRef(requested)};
  EXPECT_TRUE(h.app->invoke(u"login2", InvokeKind::Method, args).rawBool());
  EXPECT_EQ(h.loginWindow->logText(),
            "SetLoginType(1),hWnd,ShowLogin,GetLoginType,LoginInfo,LoginInfo,LoginInfo,LoginInfo,CloseLogin");
  EXPECT_EQ(h.app->LoginType(), 2);
  EXPECT_EQ(h.app->CurrentUserName(), u"carol");
}

TEST_F(Login, TheExamFlagFollowsTheConversionRules) {
  struct Case {
    const char16_t* flag;
    bool exam;
  };
  for (const Case& c : {Case{u"0", false}, Case{u"-1", true}, Case{u"True", true}, Case{u"false", false},
                        Case{u"2", true}, Case{u"", false}}) {
    h.app->SetIsExam();
    ASSERT_TRUE(h.loginAs(u"alice", u"17", c.flag)) << toUtf8(c.flag);
    EXPECT_EQ(h.app->IsExamNum(), c.exam) << toUtf8(c.flag);
  }
}

TEST_F(Login, AnExamFlagThatIsNoBooleanFailsWithTheMainWindowEnabledAgain) {
  ASSERT_TRUE(h.loginAs(u"alice", u"17", u"0"));
  Ref<CUserConfig> store = h.app->UserConfigControl();
  h.loginWindow->info = test::TestLoginWindow::record(u"bob", u"18", u"abc");
  const size_t logBefore = h.loginWindow->log().size();
  EXPECT_EQ(errorOf([&] { h.app->login(); }), err::TypeMismatch);
  EXPECT_TRUE(mainWindowEnabled());
  // What was read stays; the dialog is released without CloseLogin; the store is not replaced.
  EXPECT_EQ(h.app->CurrentUserID(), u"18");
  EXPECT_EQ(h.app->CurrentUserName(), u"bob");
  EXPECT_FALSE(h.app->IsExamNum());
  EXPECT_TRUE(h.app->UserConfigControl() == store);
  const std::vector<std::string> tail(h.loginWindow->log().begin() + static_cast<long>(logBefore),
                                      h.loginWindow->log().end());
  EXPECT_EQ(tail, (std::vector<std::string>{"hWnd", "ShowLogin", "LoginInfo", "LoginInfo", "LoginInfo"}));
}

TEST_F(Login, AFailingLoginWindowLeavesTheMainWindowEnabled) {
  const String nameBefore = h.app->CurrentUserName();
  h.loginWindow->failOn("LoginInfo", 2, 3265);
  h.loginWindow->info = test::TestLoginWindow::record(u"dave", u"23", u"");
  EXPECT_EQ(errorOf([&] { h.app->login(); }), 3265);
  EXPECT_TRUE(mainWindowEnabled());
  // The id read before the failure stays; the name was never read.
  EXPECT_EQ(h.app->CurrentUserID(), u"23");
  EXPECT_EQ(h.app->CurrentUserName(), nameBefore);
  EXPECT_FALSE(h.app->UserConfigControl());
  EXPECT_EQ(h.loginWindow->logText(), "hWnd,ShowLogin,LoginInfo,LoginInfo");
}

TEST_F(Login, AFailingShowLoginReachesTheCallerWithoutCloseLogin) {
  h.loginWindow->failOn("ShowLogin", 1, 5);
  EXPECT_EQ(errorOf([&] { h.app->login(); }), 5);
  EXPECT_EQ(h.loginWindow->logText(), "hWnd,ShowLogin");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
}

TEST_F(Login, SilentLoginNeitherShowsNorChangesAnything) {
  EXPECT_FALSE(h.app->SilentLogin(u"LEDGER", u"alice", u"secret", 3));
  EXPECT_EQ(h.loginWindow->logText(), "");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
}

TEST_F(LoginWithAddIn, AfterLoginIsToldOnceTheUsersPropertiesAreOverlaid) {
  h.tree.writeUserXml("alice", {{"UserTheme", "blue"}, {"ApplicationTitle", "爱丽丝的账簿"}});
  String themeWhenTold;
  h.addIn->onExecute = [&](const String& name) {
    if (name == u"AFTERLOGIN") themeWhenTold = CStr(h.app->Config()->Properties(u"UserTheme"));
  };
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  EXPECT_EQ(themeWhenTold, u"blue");
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN");
  EXPECT_EQ(h.addIn->calls()[1].kind, 2);
  EXPECT_EQ(h.addIn->calls()[1].argumentCount, 0);
  EXPECT_EQ(h.app->Title(), u"爱丽丝的账簿");
  EXPECT_EQ(h.loginWindow->log().back(), "CloseLogin");
}

TEST_F(LoginWithAddIn, AUserWithoutUserXmlGetsTheTemplate) {
  ASSERT_TRUE(h.loginAs(u"bob", u"18"));
  EXPECT_EQ(CStr(h.app->Config()->Properties(u"UserSetting")), u"from userdefault");
  EXPECT_TRUE(h.tree.folder().exists(h.tree.userFolder("bob").substr(h.tree.folder().path().size()) + "user.xml"));
}

TEST_F(LoginWithAddIn, AFailingAfterLoginReachesTheCallerWithoutCloseLogin) {
  h.addIn->failOn(u"AFTERLOGIN", 1004);
  EXPECT_EQ(errorOf([&] { h.loginAs(u"alice", u"17"); }), 1004);
  EXPECT_EQ(h.app->CurrentUserID(), u"17");
  EXPECT_TRUE(h.app->UserConfigControl());
  EXPECT_NE(h.loginWindow->log().back(), "CloseLogin");
  EXPECT_TRUE(mainWindowEnabled());
}

TEST_F(LoginWithAddIn, LogOutRightAfterInitDoesNothing) {
  const String cwd = files::currentDirectory();
  h.app->LogOut();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING");
  EXPECT_FALSE(std::filesystem::exists(h.tree.machineFolder(test::kTestComputerName) + "MachineCfg.xml"));
  EXPECT_EQ(files::currentDirectory(), cwd);
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
}

TEST_F(LoginWithAddIn, LogOutTellsTheAddInReleasesTheSessionAndSavesBothStores) {
  h.app->put_CurrentPrjID(u"P7");
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  Ref<CBaseInfo> info = h.app->BaseInfo();
  info->Add(Variant(u"账套一"), u"Book");
  bool userStillThereWhenTold = false;
  h.addIn->onExecute = [&](const String& name) {
    if (name == u"BEFORELOGOUT") userStillThereWhenTold = h.app->UserConfigControl() && h.app->CurrentUserID() == u"17";
  };
  h.app->LogOut();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");
  EXPECT_TRUE(userStillThereWhenTold);
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.app->corporationID(), -1);
  EXPECT_EQ(h.app->CurrentUserName(), u"alice");
  EXPECT_EQ(h.app->CurrentPrjID(), u"P7");
  EXPECT_FALSE(h.app->UserConfigControl());
  EXPECT_EQ(errorOf([&] { h.app->UserConfig(); }), err::ObjectNotSet);
  EXPECT_EQ(errorOf([&] { h.app->SaveUserConfig(); }), err::ObjectNotSet);
  EXPECT_EQ(h.app->BaseInfo()->Count(), 0);
  EXPECT_EQ(info->Count(), 1);  // a client's reference still sees its own list
  // The user store saved itself as it ended; the machine store was saved.
  EXPECT_TRUE(std::filesystem::exists(h.tree.userFolder("alice") + "usercfg.xml"));
  EXPECT_TRUE(std::filesystem::exists(h.tree.machineFolder(test::kTestComputerName) + "MachineCfg.xml"));
  EXPECT_EQ(files::currentDirectory(), files::libraryFolder());

  // Nobody is logged in now: a second LogOut does nothing.
  h.app->LogOut();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");
}

TEST_F(LoginWithAddIn, LogOutWhoseAddInAndStoreFailStillClearsTheUser) {
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  h.addIn->failOn(u"BEFORELOGOUT", 91);
  // A folder where the machine store's file belongs: its save cannot succeed.
  std::filesystem::create_directories(h.tree.machineFolder(test::kTestComputerName) + "MachineCfg.xml");
  EXPECT_NO_THROW(h.app->LogOut());
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.app->corporationID(), -1);
  EXPECT_FALSE(h.app->UserConfigControl());
  EXPECT_EQ(files::currentDirectory(), files::libraryFolder());
  EXPECT_NE(errorOf([&] { h.app->SaveSysConfig(); }), 0);
}

TEST_F(LoginWithAddIn, ASecondLoginReplacesTheUserStoreAndKeepsPeriodsAndTheSessionList) {
  test::FakeMidTier mid(u"ZRMDictUtil.utilPeriod", u"GetAllPeriod");
  mid.answerRows({u"ID", u"StartDate", u"EndDate", u"Status"}, {});
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  Ref<CPeriods> periods = h.app->Periods();
  Ref<CBaseInfo> info = h.app->BaseInfo();
  info->Add(Variant(int32_t{5}), u"a");
  const String aliceFile = h.app->UserConfigControl()->fileName();
  ASSERT_TRUE(h.loginAs(u"bob", u"18"));
  EXPECT_EQ(h.app->UserConfigControl()->fileName(), fromUtf8(h.tree.userFolder("bob") + "usercfg.xml"));
  // The replaced store saved itself as it ended.
  EXPECT_TRUE(files::fileExists(aliceFile));
  EXPECT_TRUE(h.app->BaseInfo() == info);
  EXPECT_EQ(CLng(info->Item(Variant(u"A"))), 5);
  EXPECT_TRUE(h.app->Periods() == periods);
  EXPECT_EQ(mid.created(), 1);
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,AFTERLOGIN");
}

}  // namespace
}  // namespace lv8int
