// Start-up and shut-down of the application object, the middle-tier server and the services it
// hands out, as a host sees them.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "app/CApplication.h"
#include "console/CToolbar.h"
#include "app/CBaseInfo.h"
#include "app/CUserRight.h"
#include "app/CWarning.h"
#include "app/GZRGNTUtil.h"
#include "config/CConfig.h"
#include "config/CSystemConfig.h"
#include "console/CConsole.h"
#include "console/CSysStatus.h"
#include "platform/components/ClassRegistration.h"
#include "periods/CPeriods.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "support/AppHarness.h"
#include "support/FakeMidTier.h"
#include "support/RaisedError.h"
#include "support/TestDatabaseEngine.h"
#include "typelib/Conformance.h"

namespace lv8int {
namespace {

using test::AppHarness;
using test::errorOf;

String rootValue(const Ref<XMLRegistry>& registry, StringView name) {
  return CStr(registry->RootKey()->GetValue(String(name), Variant(u"<none>")));
}

TEST(CApplicationInit, TheHostSeesItsCaptionBeforeTheConsoleAndTheAddInIsAskedAfterTheStoreLoaded) {
  AppHarness h(AppHarness::WithAddIn);
  bool storeLoadedWhenAsked = false;
  bool engineMadeWhenAsked = false;
  h.addIn->onExecute = [&](const String& name) {
    if (name != u"CONNECTIONSTRING") return;
    Ref<CSystemConfig> store = h.app->SysConfigControl();
    storeLoadedWhenAsked = store && rootValue(store->Registry(), u"Origin") == u"DefaultMachine";
    engineMadeWhenAsked = bool(h.app->DatabaseEngine());
  };
  const int enginesBefore = test::TestDatabaseEngine::created();
  h.init();

  EXPECT_EQ(h.form->log(), "Caption=测试账务系统; SetConsole(<object>)");
  EXPECT_EQ(h.form->caption(), u"测试账务系统");
  EXPECT_TRUE(h.form->console() == h.app->Console());
  EXPECT_TRUE(storeLoadedWhenAsked);
  EXPECT_TRUE(engineMadeWhenAsked);
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING");
  EXPECT_EQ(h.addIn->calls()[0].kind, 2);
  EXPECT_EQ(h.addIn->calls()[0].argumentCount, 0);
  EXPECT_EQ(test::TestDatabaseEngine::created(), enginesBefore + 1);
  EXPECT_EQ(h.app->ConnectionString(), h.addIn->connectionString);

  EXPECT_EQ(h.app->FullPath(), h.tree.hostPath());
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.app->corporationID(), -1);
  EXPECT_EQ(h.app->StrEnv(), u"");
  EXPECT_EQ(h.app->strEnvValue(), u"");
  EXPECT_EQ(h.app->DSN(), u"");
  EXPECT_EQ(h.app->ComputerName(), fromUtf8(test::kTestComputerName));
  EXPECT_EQ(h.app->Title(), u"测试账务系统");
  EXPECT_EQ(h.app->Config()->Path(), fromUtf8(h.tree.appFolder()));
  EXPECT_TRUE(h.app->Console()->Object_() == h.form);
}

TEST(CApplicationInit, WithoutAnAddInThereIsNoEngineAndTheConnectionStringIsEmptyUntilWritten) {
  AppHarness h;
  const int enginesBefore = test::TestDatabaseEngine::created();
  h.init();
  EXPECT_FALSE(h.app->DatabaseEngine());
  EXPECT_FALSE(h.app->AddIn());
  EXPECT_EQ(h.app->ConnectionString(), u"");
  EXPECT_EQ(test::TestDatabaseEngine::created(), enginesBefore);

  Args args{Variant(u"DSN=ledger")};
  h.app->invoke(u"ConnectionString", InvokeKind::PropertyPut, args);
  EXPECT_EQ(h.app->get(u"connectionstring").rawString(), u"DSN=ledger");
}

TEST(CApplicationInit, TheAddInIsLookedForAgainWhileThereIsNone) {
  AppHarness h;
  h.init();
  ASSERT_FALSE(h.app->AddIn());
  test::ProvidedComponent later(test::kTestAddInProgID, h.addIn);
  h.tree.writeUserXml("overlay", {{"ApplicationAddIn", toUtf8(test::kTestAddInProgID)}});
  h.app->Config()->Reload(fromUtf8(h.tree.userFolder("overlay") + "user.xml"));
  Ref<IAddIn> found = h.app->AddIn();
  EXPECT_TRUE(found == h.addIn);
  EXPECT_TRUE(h.app->AddIn() == found);
  EXPECT_EQ(h.addIn->names(), "");  // only Init asks for the connection string
}

TEST(CApplicationInit, ASecondInitChangesNothing) {
  AppHarness h;
  h.init();
  Ref<CConfig> config = h.app->Config();
  Ref<CConsole> console = h.app->Console();
  auto other = make<test::TestHostForm>();
  h.app->Init(other, u"/opt/elsewhere/LV8ASSAPP");
  EXPECT_EQ(h.app->FullPath(), h.tree.hostPath());
  EXPECT_TRUE(h.app->Config() == config);
  EXPECT_TRUE(h.app->Console() == console);
  EXPECT_EQ(other->log(), "");
}

TEST(CApplicationInit, AFailingStepLeavesTheStepsBeforeDoneAndTheObjectInitialised) {
  AppHarness h(AppHarness::WithAddIn);
  h.addIn->failOn(u"CONNECTIONSTRING", 3021);
  h.app->put_ConnectionString(u"before");
  EXPECT_EQ(errorOf([&] { h.init(); }), 3021);
  EXPECT_TRUE(h.app->Console());
  EXPECT_TRUE(h.app->SysConfigControl());
  EXPECT_TRUE(h.app->DatabaseEngine());
  EXPECT_EQ(h.app->ConnectionString(), u"before");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");

  // The console marks the object as initialised: Init again does nothing, not even ask.
  h.app->Init(h.form, h.tree.hostPath());
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING");
  EXPECT_EQ(h.form->log(), "Caption=测试账务系统; SetConsole(<object>)");
}

TEST(CApplicationInit, AMachineFolderThatCannotBeMadeStopsInitAfterTheConsole) {
  AppHarness h(AppHarness::WithAddIn);
  // A file where the machines' folder belongs: the machine store cannot get its folder.
  std::filesystem::remove_all(h.tree.appFolder() + "Machines");
  h.tree.folder().write(h.tree.appFolder().substr(h.tree.folder().path().size()) + "Machines", "not a folder");
  const int32_t error = errorOf([&] { h.init(); });
  EXPECT_EQ(error, vbObjectError);
  EXPECT_TRUE(h.app->Console());
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.addIn->names(), "");
  h.app->Init(h.form, h.tree.hostPath());
  EXPECT_EQ(h.addIn->names(), "");
}

TEST(CApplicationInit, InitWithoutAMainFormFailsWithObjectNotSet) {
  AppHarness h;
  EXPECT_EQ(errorOf([&] { h.app->Init(Ref<Object>(), h.tree.hostPath()); }), err::ObjectNotSet);
  EXPECT_FALSE(h.app->Console());
  // Nothing marks the object as initialised: a proper Init still starts it.
  h.init();
  EXPECT_TRUE(h.app->Console());
}

TEST(CApplicationTerminate, LogsOutFirstThenReleasesAndAFollowingInitStartsAfresh) {
  AppHarness h(AppHarness::WithAddIn);
  h.init();
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  bool consoleAtLogout = false;
  h.addIn->onExecute = [&](const String& name) {
    if (name == u"BEFORELOGOUT") consoleAtLogout = h.app->Console() && h.app->Config();
  };
  Ref<CConfig> config = h.app->Config();
  Ref<CConsole> console = h.app->Console();
  Ref<Collection> tags = h.app->Tags();
  Ref<CSystemConfig> store = h.app->SysConfigControl();

  h.app->Terminate();
  EXPECT_TRUE(consoleAtLogout);
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_FALSE(h.app->Console());
  EXPECT_FALSE(h.app->Config());
  EXPECT_FALSE(h.app->DatabaseEngine());
  EXPECT_TRUE(h.app->SysConfigControl() == store);  // not released by Terminate
  EXPECT_EQ(errorOf([&] { h.app->AddIn(); }), err::ObjectNotSet);
  EXPECT_FALSE(h.app->Tags() == tags);

  // A second Terminate has nothing to do.
  h.app->Terminate();
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT");

  h.form->clearCalls();
  h.form->dropConsole();
  h.init();
  EXPECT_EQ(h.form->log(), "Caption=测试账务系统; SetConsole(<object>)");
  EXPECT_FALSE(h.app->Config() == config);
  EXPECT_FALSE(h.app->Console() == console);
  EXPECT_EQ(h.addIn->names(), "CONNECTIONSTRING,AFTERLOGIN,BEFORELOGOUT,CONNECTIONSTRING");
}

TEST(CApplicationServices, LazyObjectsAreMadeOnceAndLogOutDropsTheSessionOnes) {
  AppHarness h;
  h.init();
  Ref<Collection> tags = h.app->Tags();
  Ref<CBaseInfo> info = h.app->BaseInfo();
  Ref<CWarning> warning = h.app->Warning();
  Ref<CSysStatus> status = h.app->SysStatus();
  Ref<CUserRight> rights = h.app->UserRight();
  EXPECT_TRUE(h.app->Tags() == tags);
  EXPECT_TRUE(h.app->BaseInfo() == info);
  EXPECT_TRUE(h.app->Warning() == warning);
  EXPECT_TRUE(h.app->SysStatus() == status);
  EXPECT_TRUE(h.app->UserRight() == rights);
  // Late-bound reads hand out the same objects.
  EXPECT_TRUE(h.app->get(u"Tags").rawObject() == tags);
  EXPECT_TRUE(h.app->get(u"BASEINFO").rawObject() == info);

  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  h.app->LogOut();
  EXPECT_FALSE(h.app->BaseInfo() == info);
  EXPECT_EQ(h.app->BaseInfo()->Count(), 0);
  EXPECT_TRUE(h.app->Tags() == tags);
  EXPECT_TRUE(h.app->Warning() == warning);
  EXPECT_TRUE(h.app->SysStatus() == status);
}

TEST(CApplicationServices, TheToolbarManagerIsOneObjectByNameAndDirectly) {
  AppHarness h;
  h.init();
  Ref<CToolbar> toolbar = h.app->Toolbar();
  ASSERT_TRUE(toolbar);
  EXPECT_TRUE(h.app->get(u"Toolbar").rawObject() == toolbar);
  EXPECT_TRUE(h.app->Toolbar() == toolbar);
  // Shut-down lets it go with the host's form it follows.
  h.app->Terminate();
  EXPECT_EQ(toolbar->refCount(), 1);
}

TEST(CApplicationServices, PeriodsAreLoadedOnFirstReadAgainAfterAFailureAndAfterLogOut) {
  AppHarness h;
  h.init();
  test::FakeMidTier mid(u"ZRMDictUtil.utilPeriod", u"GetAllPeriod");
  mid.answerError(-2147217865, u"the ledger database is offline");
  EXPECT_EQ(errorOf([&] { h.app->Periods(); }), -2147217865);
  mid.answerRows({u"ID", u"StartDate", u"EndDate", u"Status"},
                 {{Variant(int32_t{200401}), Variant::date(37987), Variant::date(38017), Variant(int32_t{1})}});
  // The failed load was not kept: this read loads again.
  Ref<CPeriods> periods = h.app->Periods();
  EXPECT_EQ(periods->Count(), 1);
  EXPECT_TRUE(h.app->Periods() == periods);
  EXPECT_EQ(mid.created(), 2);
  // The middle tier is asked with the environment name and value.
  EXPECT_EQ(mid.component().calls.back(), (std::vector<String>{u"", u""}));

  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  EXPECT_TRUE(h.app->Periods() == periods);
  h.app->LogOut();
  EXPECT_FALSE(h.app->Periods() == periods);
  EXPECT_EQ(mid.created(), 3);
}

// The members that need the configuration, the stores or the console fail with 91 on an
// object that was never initialised (a fresh thread has a fresh shared application).
TEST(CApplicationServices, BeforeInitTheConfigurationMembersFailWithObjectNotSet) {
  std::vector<int32_t> errors;
  String userID = u"unset";
  int32_t loginType = -1;
  bool exam = true;
  std::thread([&] {
    Ref<CApplication> app = GZRGNTUtil::sharedApplication();
    userID = app->CurrentUserID();
    loginType = app->LoginType();
    exam = app->IsExamNum();
    errors.push_back(errorOf([&] { app->Title(); }));
    errors.push_back(errorOf([&] { app->AddIn(); }));
    errors.push_back(errorOf([&] { app->SysConfig(); }));
    errors.push_back(errorOf([&] { app->UserConfig(); }));
    errors.push_back(errorOf([&] { app->SaveUserConfig(); }));
    errors.push_back(errorOf([&] { app->SaveSysConfig(); }));
    errors.push_back(errorOf([&] { app->login(); }));
    errors.push_back(errorOf([&] { GZRGNTUtil::global()->MGB(u"没有标题"); }));
  }).join();
  EXPECT_EQ(userID, u"");
  EXPECT_EQ(loginType, 0);
  EXPECT_FALSE(exam);
  EXPECT_EQ(errors, std::vector<int32_t>(8, err::ObjectNotSet));
}

class MiddleTierRegistration : public ::testing::Test {
 protected:
  static constexpr char16_t kClsid[] = u"{5A1E0D2C-3B4F-4C6D-9E8F-0A1B2C3D4E5F}";
  static constexpr char16_t kAppID[] = u"{6B2F1E3D-4C50-4D7E-8F90-1B2C3D4E5F60}";

  void registerSysDSN() {
    components::registerClass({u"ZRMSysBase.SysDSN", kClsid, kAppID, u"system DSN"}, u"/usr/lib/lv8/zrmsysbase.so");
  }
  void setRemoteServer(StringView name) {
    reg::OpenedKey key(h.registry, reg::HKEY_CLASSES_ROOT, String(u"AppID\\") + kAppID);
    ASSERT_TRUE(key.ok());
    ASSERT_EQ(h.registry.setValue(key.handle(), reg::Value::string(u"RemoteServerName", name)), 0);
  }

  AppHarness h;
};

TEST_F(MiddleTierRegistration, WithoutRegistrationTheServerIsThisComputer) {
  h.init();
  EXPECT_EQ(h.app->MidServerName(), fromUtf8(test::kTestComputerName));
}

TEST_F(MiddleTierRegistration, AnAppIDWithoutRemoteServerNameMeansThisComputer) {
  registerSysDSN();
  h.init();
  EXPECT_EQ(h.app->MidServerName(), fromUtf8(test::kTestComputerName));
}

TEST_F(MiddleTierRegistration, RemoteServerNameNamesTheServerAndCreationGoesThere) {
  registerSysDSN();
  setRemoteServer(u"LEDGERSRV");
  h.init();
  EXPECT_EQ(h.app->MidServerName(), u"LEDGERSRV");
  ScopedComponent local(u"ZRMTest.Probe", u"", [] { return Ref<Object>(make<CBaseInfo>()); });
  // This process cannot reach another computer: the creation fails and the error reaches the caller.
  EXPECT_EQ(errorOf([&] { h.app->CreateMidObject(u"ZRMTest.Probe"); }), err::RemoteServerUnavailable);
}

TEST_F(MiddleTierRegistration, OnThisComputerMiddleTierObjectsAreCreatedLocally) {
  h.init();
  ScopedComponent local(u"ZRMTest.Probe", u"", [] { return Ref<Object>(make<CBaseInfo>()); });
  Ref<Object> first = h.app->CreateMidObject(u"ZRMTest.Probe");
  EXPECT_TRUE(query<CBaseInfo>(first));
  EXPECT_FALSE(h.app->CreateMidObject(u"ZRMTest.Probe") == first);
  EXPECT_EQ(errorOf([&] { h.app->CreateMidObject(u"ZRMTest.NotRegistered"); }), err::CannotCreateObject);
}

TEST(CApplicationMembers, TheMemberTablesAgreeWithTheTypeDescription) {
  for (const char16_t* name : {u"CApplication", u"CConsole", u"GZRGNTUtil"}) {
    auto impl = typelib::findImplementation(name);
    ASSERT_TRUE(impl) << toUtf8(name);
    EXPECT_EQ(typelib::checkImplementation(*impl), typelib::Differences{}) << toUtf8(name);
  }
}

TEST(CApplicationMembers, LateBoundCallersReachTheSessionValues) {
  AppHarness h;
  h.init();
  h.app->put(u"CurrentPrjID", Variant(u"P2024"));
  EXPECT_EQ(h.app->get(u"currentprjid").rawString(), u"P2024");
  EXPECT_EQ(h.app->get(u"CurrentUserID").rawString(), u"-1");
  EXPECT_EQ(h.app->call(u"SilentLogin", {Variant(u"dsn"), Variant(u"u"), Variant(u"p"), Variant(int32_t{3})}).rawBool(),
            false);
  const String hex = h.app->call(u"EncryptPWD", {Variant(u"secret")}).rawString();
  EXPECT_EQ(hex.size(), 48u);
  EXPECT_EQ(hex, h.app->EncryptPWD(String(u"secret\0\0", 8)));
}

}  // namespace
}  // namespace lv8int
