#include "config/CUserConfig.h"

#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdlib>

#include "ConfigFakes.h"
#include "config/CConfig.h"
#include "config/CSystemConfig.h"
#include "platform/automation/Conversions.h"
#include "platform/registry/Registry.h"
#include "support/Scopes.h"
#include "support/TestHostForm.h"

namespace lv8int::test {
namespace {

using ::testing::HasSubstr;

constexpr char kAliceFile[] = "host/Config/LV8ADSAPP/Users/alice/usercfg.xml";

class UserConfigTest : public ::testing::Test {
 protected:
  Ref<CUserConfig> initialised(const String& user) {
    Ref<CUserConfig> store = make<CUserConfig>();
    scope.app->setCurrentUserName(user);
    store->initWith(config, user);
    return store;
  }
  ConfigTree tree;
  AppScope scope{tree};
  Ref<CConfig> config = make<CConfig>();
};

TEST_F(UserConfigTest, BeforeInitThereIsNoRegistryNothingLoadsSaveRaisesAndTheEndWritesNothing) {
  {
    Ref<CUserConfig> store = make<CUserConfig>();
    EXPECT_FALSE(store->Registry());
    EXPECT_FALSE(store->Load());
    EXPECT_EQ(raisedError([&] { store->Save(); }).number(), err::ObjectNotSet);
  }
  EXPECT_EQ(tree.folder().list("host/Config/LV8ADSAPP/Users"), "");
}

// The stores as the application object makes them: through its configuration.
TEST(StoresOfTheApplication, FollowTheConfigurationOfAnInitialisedApplication) {
  ConfigTree tree;
  Registry registry{{}, {}};
  ServiceScope<IRegistry> registryScope(registry);
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<TestHostForm> form = make<TestHostForm>();
  {
    EnvironmentScope computer("LV8INT_COMPUTERNAME", "TESTPC");
    app->Init(form, tree.hostPath());
  }

  Ref<CSystemConfig> machine = make<CSystemConfig>();
  EXPECT_EQ(machine->fileName(), fromUtf8(tree.machineFolder("TESTPC") + "MachineCfg.xml"));

  Ref<CUserConfig> user = make<CUserConfig>();
  app->setCurrentUserName(u"alice");
  // Through the member table: the argument is by reference and comes back unchanged.
  Variant code(u"A001");
  Args byRef{Variant::byRef(code)};
  user->invoke(u"Init", InvokeKind::Method, byRef);
  EXPECT_EQ(CStr(code), u"A001");
  EXPECT_EQ(user->userCode(), u"A001");
  EXPECT_EQ(user->fileName(), fromUtf8(tree.userFolder("alice") + "usercfg.xml"));
  EXPECT_EQ(user->defaultFileName(), fromUtf8(tree.appFolder() + "Default/UserCfg.xml"));
  EXPECT_EQ(CStr(user->Registry()->RootKey()->GetValue(u"Origin", Variant())), u"DefaultUser");

  user = nullptr;
  app->Terminate();
  // The form and the console hold each other (the form's call log holds it too), as in a host.
  form->dropConsole();
  form->clearCalls();
  app->setCurrentUserName({});
  EXPECT_TRUE(tree.folder().exists(kAliceFile));
}

TEST_F(UserConfigTest, TheStoreSavesItselfWhenItEndsEvenUnchanged) {
  { initialised(u"alice"); }
  EXPECT_TRUE(tree.folder().exists(kAliceFile));
  {
    Ref<CUserConfig> store = initialised(u"alice");
    store->Registry()->RootKey()->AddValue(u"Theme", u"dark");
  }
  EXPECT_THAT(tree.folder().read(kAliceFile), HasSubstr("dark"));
}

// Two sessions of one user that both started from the default store: the second save merges
// with the file the first made instead of replacing it.
TEST_F(UserConfigTest, StoresStartedFromTheDefaultsKeepEachOthersChanges) {
  Ref<CUserConfig> first = initialised(u"alice");
  Ref<CUserConfig> second = initialised(u"alice");
  first->Registry()->RootKey()->AddValue(u"Theme", u"dark");
  second->Registry()->RootKey()->OpenKey(u"hint", true)->AddValue(u"Welcome", u"1");
  first->Save();
  second->Save();
  const std::string saved = tree.folder().read(kAliceFile);
  EXPECT_THAT(saved, HasSubstr("\"Theme\" text=\"dark\""));
  EXPECT_THAT(saved, HasSubstr("\"Welcome\" text=\"1\""));
  EXPECT_THAT(saved, HasSubstr("DefaultUser"));
}

// As the administrator (tools run for a user): a store file that another user replaced by a
// link is neither written through nor copied aside, so no file the link names reaches them.
TEST_F(UserConfigTest, AStoreFilePlantedAsAnotherUsersLinkIsRefusedAndNotCopied) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the administrator to make another user's link";
  tree.folder().write("secret", "not a store");
  tree.folder().mkdir(tree.userFolder("alice").substr(tree.folder().path().size()));
  const std::string link = tree.folder().file(kAliceFile);
  ASSERT_EQ(::symlink(tree.folder().file("secret").c_str(), link.c_str()), 0);
  ASSERT_EQ(::lchown(link.c_str(), 4321, 4321), 0);
  Ref<CUserConfig> store = initialised(u"alice");
  const AutomationError e = raisedError([&] { store->Save(); });
  EXPECT_EQ(e.number(), err::PermissionDenied);
  EXPECT_NE(e.description().find(fromUtf8(link)), String::npos) << toUtf8(e.description());
  EXPECT_FALSE(tree.folder().exists(std::string(kAliceFile) + ".bad"));
  EXPECT_EQ(tree.folder().read("secret"), "not a store");
  store->releaseUnsaved();
}

TEST_F(UserConfigTest, ASecondInitRebindsToTheThenCurrentUserAndDropsUnsavedChanges) {
  Ref<CUserConfig> store = initialised(u"alice");
  store->Registry()->RootKey()->AddValue(u"Unsaved", u"x");
  scope.app->setCurrentUserName(u"bob");
  store->initWith(config, u"bob");
  EXPECT_EQ(store->fileName(), fromUtf8(tree.userFolder("bob") + "usercfg.xml"));
  EXPECT_TRUE(CStr(store->Registry()->RootKey()->GetValue(u"Unsaved", Variant())).empty());
  EXPECT_FALSE(tree.folder().exists(kAliceFile));
}

TEST_F(UserConfigTest, AFailingSaveAtTheEndIsReportedAndSwallowedWhileSaveRaises) {
  Ref<CUserConfig> store = initialised(u"alice");
  tree.folder().mkdir(std::string(kAliceFile) + "/in the way");
  EXPECT_THROW(store->Save(), AutomationError);
  testing::internal::CaptureStderr();
  store = nullptr;  // must not end the process
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr("usercfg.xml"));
}

TEST_F(UserConfigTest, AnUnreadableOwnFileIsKeptAsBadWhenTheStoreEnds) {
  tree.folder().write(kAliceFile, "garbage that was a store");
  { initialised(u"alice"); }
  EXPECT_EQ(tree.folder().read(std::string(kAliceFile) + ".bad"), "garbage that was a store");
  EXPECT_THAT(tree.folder().read(kAliceFile), HasSubstr("DefaultUser"));
}

}  // namespace
}  // namespace lv8int::test
