// A host that names itself, or its configuration root, relative to the folder it was started in:
// the stores stay where they were found, whatever folder is current when they are saved.
#include <gtest/gtest.h>

#include <functional>

#include "app/CApplication.h"
#include "config/CConfig.h"
#include "platform/files/Files.h"
#include "support/AppHarness.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using test::AppHarness;
using test::RootPlacement;

struct RelativeStart {
  const char* name;
  RootPlacement placement;
  // What the host passes to Init, started in its own folder.
  std::function<String(const AppHarness&)> hostPath;
};
void PrintTo(const RelativeStart& s, std::ostream* os) { *os << s.name; }

const RelativeStart kStarts[] = {
    {"HostProgramByName", RootPlacement::HostConfig, [](const AppHarness& h) { return fromUtf8(h.tree.appName()); }},
    {"HostProgramWithDot", RootPlacement::HostConfig,
     [](const AppHarness& h) { return fromUtf8("./" + h.tree.appName()); }},
    {"RootNamedRelativeByTheLocator", RootPlacement::IniLocator,
     [](const AppHarness& h) {
       h.tree.writeLocator("../roots/main");
       return h.tree.hostPath();
     }},
};

class RelativeHostPath : public ::testing::TestWithParam<RelativeStart> {
 protected:
  AppHarness h{AppHarness::NoAddIn, GetParam().placement};
  test::TempFolder elsewhere;
};

TEST_P(RelativeHostPath, StoresAreSavedInTheTreeAfterTheCurrentFolderChanged) {
  ASSERT_TRUE(files::setCurrentDirectory(fromUtf8(h.tree.hostFolder())));
  h.app->Init(h.form, GetParam().hostPath(h));
  EXPECT_EQ(h.app->FullPath(), h.tree.hostPath());
  EXPECT_EQ(h.app->Config()->Path().front(), u'/');

  // LogOut makes the library's folder current; any other folder must do no more harm.
  ASSERT_TRUE(files::setCurrentDirectory(fromUtf8(elsewhere.path())));
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  h.app->SaveSysConfig();
  h.app->SaveUserConfig();
  h.app->LogOut();
  h.app->SaveSysConfig();

  const std::string machineStore = h.tree.machineFolder(test::kTestComputerName) + "MachineCfg.xml";
  EXPECT_TRUE(files::fileExists(fromUtf8(machineStore)));
  EXPECT_TRUE(files::fileExists(fromUtf8(h.tree.userFolder("alice") + "usercfg.xml")));
  EXPECT_EQ(elsewhere.list(), "");
  EXPECT_FALSE(files::folderExists(files::libraryFolder() + u"Config"));
}

INSTANTIATE_TEST_SUITE_P(Start, RelativeHostPath, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AbsolutePath, IsTakenFromTheCurrentFolderOnlyWhenRelative) {
  test::TempFolder folder;
  const String previous = files::currentDirectory();
  ASSERT_TRUE(files::setCurrentDirectory(fromUtf8(folder.path())));
  const String here = files::currentDirectory();
  EXPECT_EQ(files::absolutePath(u"LV8ADSAPP"), here + u"LV8ADSAPP");
  EXPECT_EQ(files::absolutePath(u"./a/b/"), here + u"a/b/");
  EXPECT_EQ(files::absolutePath(u"../x"), here + u"../x");
  EXPECT_EQ(files::absolutePath(u"/opt/host/LV8ADSAPP"), u"/opt/host/LV8ADSAPP");
  EXPECT_EQ(files::absolutePath(u""), u"");
  files::setCurrentDirectory(previous);
}

}  // namespace
}  // namespace lv8int
