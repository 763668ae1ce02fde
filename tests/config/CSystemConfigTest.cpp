#include "config/CSystemConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ConfigFakes.h"
#include "config/CConfig.h"
#include "platform/automation/Conversions.h"

namespace lv8int::test {
namespace {

using ::testing::HasSubstr;

constexpr char kOwn[] = "host/Config/LV8ADSAPP/Machines/TESTPC/MachineCfg.xml";
constexpr char kDefault[] = "host/Config/LV8ADSAPP/Default/MachineCfg.xml";

class SystemConfigTest : public ::testing::Test {
 protected:
  String origin(const Ref<CSystemConfig>& store) {
    return CStr(store->Registry()->RootKey()->GetValue(u"Origin", Variant(u"<none>")));
  }
  ConfigTree tree;
  AppScope scope{tree};
  Ref<CConfig> config = make<CConfig>();
};

TEST_F(SystemConfigTest, FileNamesAreFixedAtCreationAndTheMachineFolderCreated) {
  Ref<CSystemConfig> store = make<CSystemConfig>(config);
  EXPECT_EQ(store->fileName(), fromUtf8(tree.machineFolder("TESTPC") + "MachineCfg.xml"));
  EXPECT_EQ(store->defaultFileName(), fromUtf8(tree.appFolder() + "Default/MachineCfg.xml"));
  EXPECT_TRUE(tree.folder().exists("host/Config/LV8ADSAPP/Machines/TESTPC"));
  scope.app->setComputerName(u"OTHER");
  EXPECT_EQ(store->fileName(), fromUtf8(tree.machineFolder("TESTPC") + "MachineCfg.xml"));
}

TEST_F(SystemConfigTest, FirstRunStartsFromTheDefaultAndTheFirstSaveCreatesTheOwnFile) {
  const std::string defaultBytes = tree.folder().read(kDefault);
  Ref<CSystemConfig> store = make<CSystemConfig>(config);
  EXPECT_TRUE(store->Load());
  EXPECT_EQ(origin(store), u"DefaultMachine");
  EXPECT_FALSE(tree.folder().exists(kOwn));

  store->Registry()->RootKey()->AddValue(u"Changed", u"yes");
  store->Save();
  EXPECT_TRUE(tree.folder().exists(kOwn));
  EXPECT_EQ(tree.folder().read(kDefault), defaultBytes);

  // The next run reads its own file.
  Ref<CSystemConfig> next = make<CSystemConfig>(config);
  EXPECT_TRUE(next->Load());
  EXPECT_EQ(CStr(next->Registry()->RootKey()->GetValue(u"Changed", Variant())), u"yes");
}

TEST_F(SystemConfigTest, NeitherFileGivesFalse) {
  tree.folder().write(kDefault, "not xml");
  Ref<CSystemConfig> store = make<CSystemConfig>(config);
  EXPECT_FALSE(store->Load());
  Args none;
  EXPECT_FALSE(CBool(store->invoke(u"load", InvokeKind::Method, none)));
}

TEST_F(SystemConfigTest, AnUnreadableOwnFileIsKeptAsBadBeforeTheFirstSaveOnly) {
  const std::string bad = std::string(kOwn) + ".bad";
  tree.folder().write(bad, "an older one");
  tree.folder().write(kOwn, "<registry><value name='Mine' text='precious'></registry>");
  Ref<CSystemConfig> store = make<CSystemConfig>(config);
  EXPECT_TRUE(store->Load());
  EXPECT_EQ(origin(store), u"DefaultMachine");
  EXPECT_EQ(tree.folder().read(bad), "an older one");  // nothing is touched by loading

  store->Save();
  EXPECT_EQ(tree.folder().read(bad), "<registry><value name='Mine' text='precious'></registry>");
  store->Registry()->RootKey()->AddValue(u"Second", u"save");
  store->Save();
  EXPECT_EQ(tree.folder().read(bad), "<registry><value name='Mine' text='precious'></registry>");
  EXPECT_THAT(tree.folder().read(kOwn), HasSubstr("Second"));
}

TEST_F(SystemConfigTest, SaveErrorsReachTheCaller) {
  Ref<CSystemConfig> store = make<CSystemConfig>(config);
  store->Load();
  tree.folder().mkdir(std::string(kOwn) + "/in the way");  // a folder where the file goes
  EXPECT_THROW(store->Save(), AutomationError);
}

}  // namespace
}  // namespace lv8int::test
