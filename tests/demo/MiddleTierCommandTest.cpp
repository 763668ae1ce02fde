// lv8 periods, has-right and warnings against the registered sample middle tier, run as an
// administrator runs them: a user logged in without a window, answers per user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SampleSetup.h"

using namespace lv8int;

namespace {

using ::testing::HasSubstr;

class MiddleTierCommand : public ::testing::Test {
 protected:
  test::SampleSetup sample;
  QString database = QString::fromStdU16String(sample.database);

  void SetUp() override {
    test::ToolRun reg = sample.registerPlugin();
    ASSERT_EQ(reg.exitCode, 0) << reg.err;
  }

  test::ToolRun lv8(QStringList args, const QByteArray& input = {}) {
    args << "--database" << database;
    return sample.run("tools/lv8", args, input);
  }
};

}  // namespace

TEST_F(MiddleTierCommand, PeriodsListsTheSeededPeriods) {
  test::ToolRun r = lv8({"periods", "--user", "kj01", "--password", "1234"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 13) << r.out;
  EXPECT_EQ(lines[0], "ID\tYear\tNumber\tStartDate\tEndDate\tStatus");
  EXPECT_EQ(lines[1], "200301\t2003\t1\t2003-01-01\t2003-01-31\t1");
  EXPECT_EQ(lines[2], "200302\t2003\t2\t2003-02-01\t2003-02-28\t1");
  EXPECT_EQ(lines[7], "200307\t2003\t7\t2003-07-01\t2003-07-31\t0");
  EXPECT_EQ(lines[12], "200312\t2003\t12\t2003-12-01\t2003-12-31\t0");
}

TEST_F(MiddleTierCommand, HasRightAnswersByThePrefixRuleForEachUser) {
  struct Case {
    const char* user;
    const char* password;  // null: no --password (the empty password)
    const char* code;
    bool granted;
  };
  const Case cases[] = {
      {"kj01", "1234", "0105", true}, {"kj01", "1234", "020", true}, {"kj01", "1234", "0204", false},
      {"kj01", "1234", "03", false},  {"cn01", nullptr, "03", true},  {"cn01", nullptr, "0203", false},
  };
  for (const Case& c : cases) {
    QStringList args{"has-right", "--user", c.user};
    if (c.password) args << "--password" << c.password;
    args << c.code;
    test::ToolRun r = lv8(args);
    EXPECT_EQ(r.exitCode, c.granted ? 0 : 3) << c.user << " " << c.code << ": " << r.err;
    EXPECT_EQ(r.out, c.granted ? "granted\n" : "refused\n") << c.user << " " << c.code;
  }
}

TEST_F(MiddleTierCommand, WarningsArePrintedInOrder) {
  test::ToolRun r = lv8({"warnings", "--user", "kj01", "--password", "1234"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "WarningID\tSource\tContent\n"
            "1\t凭证管理\t有 3 张凭证等待审核\n"
            "2\t期末处理\t2003 年 6 月尚未结账\n"
            "3\t系统管理\t口令已使用 90 天，请及时修改\n");
  EXPECT_TRUE(r.err.empty()) << "nothing is shown in a box";
  test::ToolRun none = lv8({"warnings", "--user", "cn01"});
  ASSERT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.out, "WarningID\tSource\tContent\n");
}

TEST_F(MiddleTierCommand, ThePasswordCanComeFromStandardInput) {
  test::ToolRun r = lv8({"has-right", "--user", "admin", "--password", "-", "05"}, "admin\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "granted\n");
}

TEST_F(MiddleTierCommand, AWrongPasswordOrAMissingDatabaseIsReported) {
  test::ToolRun wrong = lv8({"periods", "--user", "kj01", "--password", "4321"});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_TRUE(wrong.out.empty()) << "no periods for a user who did not log in";
  EXPECT_THAT(wrong.err, HasSubstr("用户名或口令不正确"));
  EXPECT_THAT(wrong.err, HasSubstr("ZRMSysBase.SysLogin.CheckLogin"));

  test::ToolRun missing = sample.run("tools/lv8", {"warnings", "--user", "kj01", "--password", "1234", "--database",
                                                   QString::fromStdString(sample.dir.file("none.db"))});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_THAT(missing.err, HasSubstr("中间层数据库不存在"));
  EXPECT_THAT(missing.err, HasSubstr("none.db"));
}

TEST_F(MiddleTierCommand, UsageMistakesAreExitCode2) {
  EXPECT_EQ(lv8({"periods"}).exitCode, 2) << "no user";
  EXPECT_EQ(lv8({"has-right", "--user", "kj01", "--password", "1234"}).exitCode, 2) << "no right code";
  EXPECT_EQ(lv8({"warnings", "--user", "kj01", "--colour"}).exitCode, 2);
}
