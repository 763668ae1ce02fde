// lv8 config on a configuration tree made in a temporary folder.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "support/ConfigTree.h"
#include "support/ToolProcess.h"

namespace lv8int::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ConfigCommand : public ::testing::Test {
 protected:
  ToolRun lv8(const QStringList& args) {
    return runTool("tools/lv8", QStringList{"config"} + args, {{"LV8INT_COMPUTERNAME", "ACCOUNTS-PC"}});
  }
  QString host() { return QString::fromStdString(tree.hostProgram()); }

  ConfigTree tree{RootPlacement::IniLocator};
};

TEST_F(ConfigCommand, PathsAreTheFoldersOfTheTree) {
  ToolRun o = lv8({"paths", "--host", host()});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::string app = tree.appFolder();
  EXPECT_EQ(o.out, "Path=" + app + "\nSystemPath=" + app + "System/\nUsersPath=" + app +
                       "Users/\nMachinesPath=" + app + "Machines/\nCurrentMachinePath=" + app +
                       "Machines/ACCOUNTS-PC/\n");
}

TEST_F(ConfigCommand, PropertyIgnoresCaseAndIsEmptyWhenMissing) {
  ToolRun title = lv8({"property", "--host", host(), "applicationtitle"});
  ASSERT_EQ(title.exitCode, 0) << title.err;
  EXPECT_EQ(title.out, "测试账务系统\n");
  EXPECT_EQ(lv8({"property", "--host", host(), "Nothing"}).out, "\n");
}

TEST_F(ConfigCommand, AUserValueLandsInTheUsersFileAndIsReadBack) {
  ToolRun set = lv8({"set", "--host", host(), "--user", "alice", "General/MDIChild/ViewToolText", "1"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  const std::string file = tree.userFolder("alice").substr(tree.folder().path().size()) + "usercfg.xml";
  const std::string saved = tree.folder().read(file);
  EXPECT_THAT(saved, HasSubstr("name=\"ViewToolText\" text=\"1\""));
  EXPECT_THAT(saved, HasSubstr("DefaultUser"));  // started from the default store

  ToolRun get = lv8({"get", "--host", host(), "--user", "alice", "General/MDIChild/ViewToolText"});
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "1\n");

  // Setting it to its default removes it; a read of a missing value fails unless given a default.
  ASSERT_EQ(lv8({"set", "--host", host(), "--user", "alice", "General/MDIChild/ViewToolText", "0", "--default", "0"})
                .exitCode,
            0);
  EXPECT_THAT(tree.folder().read(file), Not(HasSubstr("ViewToolText")));
  EXPECT_EQ(lv8({"get", "--host", host(), "--user", "alice", "General/MDIChild/ViewToolText"}).exitCode, 1);
  EXPECT_EQ(lv8({"get", "--host", host(), "--user", "alice", "General/MDIChild/ViewToolText", "--default", "0"}).out,
            "0\n");
}

TEST_F(ConfigCommand, MachineValuesAndRemove) {
  ASSERT_EQ(lv8({"set", "--host", host(), "--machine", "Server/Name", "db01"}).exitCode, 0);
  const std::string file = tree.machineFolder("ACCOUNTS-PC").substr(tree.folder().path().size()) + "MachineCfg.xml";
  EXPECT_THAT(tree.folder().read(file), HasSubstr("db01"));
  EXPECT_EQ(lv8({"get", "--host", host(), "--machine", "Server/Name"}).out, "db01\n");
  EXPECT_EQ(lv8({"get", "--host", host(), "--machine", "Origin"}).out, "DefaultMachine\n");
  ASSERT_EQ(lv8({"remove", "--host", host(), "--machine", "Server/Name"}).exitCode, 0);
  EXPECT_THAT(tree.folder().read(file), Not(HasSubstr("db01")));
}

TEST_F(ConfigCommand, ReadingAUserValueWritesNothing) {
  EXPECT_EQ(lv8({"get", "--host", host(), "--user", "bob", "Origin"}).out, "DefaultUser\n");
  EXPECT_FALSE(tree.folder().exists(tree.userFolder("bob").substr(tree.folder().path().size()) + "usercfg.xml"));
}

TEST_F(ConfigCommand, UsageErrorsAndAMissingTree) {
  EXPECT_EQ(lv8({"get", "--host", host(), "Origin"}).exitCode, 2);  // neither --machine nor --user
  EXPECT_EQ(lv8({"set", "--host", host(), "--machine", "Origin"}).exitCode, 2);  // no value
  EXPECT_EQ(lv8({"paths"}).exitCode, 2);
  ToolRun missing = lv8({"paths", "--host", QString::fromStdString(tree.folder().file("nowhere/LV8ADSAPP"))});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_THAT(missing.err, HasSubstr("要运行本软件，您必须选择一个系统配置目录！"));
}

}  // namespace
}  // namespace lv8int::test
