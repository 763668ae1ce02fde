// Pending warnings: each record shown as one error box, in order, with the application's title;
// none for an empty answer; a failing middle tier or record stops the list there.
#include <gtest/gtest.h>

#include "app/CApplication.h"
#include "app/CWarning.h"
#include "platform/automation/Conversions.h"
#include "support/ErrBoxRecorder.h"
#include "support/FakeMidTier.h"
#include "support/LoggedInApp.h"
#include "support/RaisedError.h"

using namespace lv8int;
using lv8int::test::FakeMidTier;
using lv8int::test::recordsetOf;

namespace {

using test::raisedError;

const std::vector<String> kFields{u"WarningID", u"Source", u"Content"};

std::vector<std::vector<Variant>> threeWarnings() {
  return {{Variant(int32_t{3}), Variant(u"凭证管理"), Variant(u"有 3 张凭证等待审核")},
          {Variant(int32_t{1}), Variant(u"期末处理"), Variant(u"尚未结账")},
          {Variant(u"2"), Variant(u"系统管理"), Variant(u"口令已使用 90 天")}};
}

class Warnings : public ::testing::Test, protected test::LoggedInApp {
 protected:
  FakeMidTier mid{u"ZRMSysBase.SysWarning", u"GetLog"};

  void SetUp() override { loginAs(u"alice", u"17"); }
};

}  // namespace

TEST_F(Warnings, EachRecordIsOneBoxInTheMiddleTiersOrder) {
  mid.answerRows(kFields, threeWarnings());
  test::ErrBoxRecorder recorder;
  app->Warning()->DispWarningIfExist();
  ASSERT_EQ(recorder.boxes.size(), 3u);
  EXPECT_EQ(mid.component().calls, (std::vector<std::vector<String>>{{u"", u"17"}})) << "DSN and CurrentUserID";
  const QString title = QString::fromStdU16String(test::TitledApp::title());
  EXPECT_EQ(recorder.boxes[0].caption, title);
  EXPECT_EQ(recorder.boxes[0].description, QStringLiteral("有 3 张凭证等待审核"));
  EXPECT_EQ(recorder.boxes[0].detail, QStringLiteral("错误号：3\r\n错误源：凭证管理\r\n描  述：有 3 张凭证等待审核"));
  EXPECT_EQ(recorder.boxes[1].detail, QStringLiteral("错误号：1\r\n错误源：期末处理\r\n描  述：尚未结账"));
  EXPECT_EQ(recorder.boxes[2].detail, QStringLiteral("错误号：2\r\n错误源：系统管理\r\n描  述：口令已使用 90 天"))
      << "a WarningID given as text is converted to a number";
  for (const auto& box : recorder.boxes) EXPECT_TRUE(box.collapsed);
}

TEST_F(Warnings, NoRecordsShowNothing) {
  mid.answerRows(kFields, {});
  test::ErrBoxRecorder recorder;
  app->Warning()->call(u"DispWarningIfExist");
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(mid.component().calls.size(), 1u);
}

TEST_F(Warnings, AFailingGetLogReachesTheCallerAndShowsNothing) {
  mid.answerError(vbObjectError + 9, u"日志服务不可用");
  test::ErrBoxRecorder recorder;
  AutomationError e = raisedError([&] { app->Warning()->DispWarningIfExist(); });
  EXPECT_EQ(e.number(), vbObjectError + 9);
  EXPECT_EQ(e.description(), u"日志服务不可用");
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(Warnings, ABadRecordStopsTheListAtThatWarning) {
  std::vector<std::vector<Variant>> rows = threeWarnings();
  rows[1][0] = Variant(u"not a number");
  mid.answerRows(kFields, rows);
  test::ErrBoxRecorder recorder;
  EXPECT_EQ(raisedError([&] { app->Warning()->DispWarningIfExist(); }).number(), 13);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].description, QStringLiteral("有 3 张凭证等待审核"));

  mid.answerRows({u"WarningID", u"Source"}, {{Variant(int32_t{1}), Variant(u"x")}});
  EXPECT_EQ(raisedError([&] { app->Warning()->DispWarningIfExist(); }).number(), 3265) << "no Content field";
  EXPECT_EQ(recorder.boxes.size(), 1u);
}

