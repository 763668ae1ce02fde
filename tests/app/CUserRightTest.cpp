// User rights: the two-way prefix rule, loading once per user, rights never carried over to the
// next user, cursors without a count, and failures that leave no codes behind.
#include <gtest/gtest.h>

#include <map>

#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "platform/automation/Conversions.h"
#include "support/FakeMidTier.h"
#include "support/LoggedInApp.h"
#include "support/RaisedError.h"

using namespace lv8int;
using lv8int::test::FakeMidTier;
using lv8int::test::recordsetOf;

namespace {

using test::raisedError;

std::vector<std::vector<Variant>> rowsOf(const std::vector<String>& codes) {
  std::vector<std::vector<Variant>> rows;
  for (const String& c : codes) rows.push_back({Variant(c)});
  return rows;
}

class Rights : public ::testing::Test, protected test::LoggedInApp {
 protected:
  FakeMidTier mid{u"ZRMSysBase.SysUserRight", u"GetCurRight"};
  // The middle tier's codes per user id; it answers for the user logged in when it is asked.
  std::map<String, std::vector<String>> codesOf;

  void SetUp() override {
    mid.component().answer = [this](const std::vector<Variant>&) {
      return Variant(recordsetOf({u"RightCode"}, rowsOf(codesOf[app->CurrentUserID()])));
    };
  }
};

}  // namespace

TEST_F(Rights, AGrantedCodeGrantsItsSubCodesAndItsParents) {
  codesOf[u"17"] = {u"01", u"0203", u"Ab"};
  loginAs(u"alice", u"17");
  Ref<CUserRight> rights = app->UserRight();
  for (const char16_t* granted : {u"01", u"0105", u"02", u"020", u"0203", u"020301", u"0", u"Ab1", u"A"})
    EXPECT_TRUE(rights->HasRight(granted)) << toUtf8(granted);
  // Letter case counts: "ab" and "AB" are other codes.
  for (const char16_t* refused : {u"03", u"0204", u"021", u"1", u"001", u"ab", u"AB1", u"a"})
    EXPECT_FALSE(rights->HasRight(refused)) << toUtf8(refused);
  EXPECT_TRUE(rights->HasRight(u"")) << "the empty code is granted once any code is loaded";
  EXPECT_EQ(mid.component().calls, (std::vector<std::vector<String>>{{u"", u""}}))
      << "loaded once, with StrEnv and strEnvValue";
  // By name, as hosts call it.
  EXPECT_TRUE(CBool(rights->call(u"HasRight", {Variant(u"0105")})));
}

TEST_F(Rights, WithoutCodesEverythingIsRefusedAndTheMiddleTierIsAskedAgain) {
  loginAs(u"alice", u"17");
  Ref<CUserRight> rights = app->UserRight();
  EXPECT_FALSE(rights->HasRight(u""));
  EXPECT_FALSE(rights->HasRight(u"01"));
  EXPECT_EQ(mid.component().calls.size(), 2u) << "no codes means not loaded";
  codesOf[u"17"] = {u"01"};
  EXPECT_TRUE(rights->HasRight(u"01"));
}

TEST_F(Rights, RightsBelongToTheUserLoggedInNow) {
  codesOf[u"17"] = {u"01"};
  codesOf[u"18"] = {u"02"};
  codesOf[u"19"] = {u"03"};
  loginAs(u"alice", u"17");
  Ref<CUserRight> kept = app->UserRight();  // a host keeps the object across sessions
  EXPECT_TRUE(kept->HasRight(u"01"));

  app->LogOut();
  EXPECT_FALSE(kept->HasRight(u"01")) << "nobody is logged in";
  loginAs(u"bob", u"18");
  EXPECT_FALSE(kept->HasRight(u"01")) << "alice's codes must not answer for bob";
  EXPECT_TRUE(kept->HasRight(u"02"));
  EXPECT_TRUE(app->UserRight()->HasRight(u"02"));
  EXPECT_FALSE(app->UserRight()->HasRight(u"01"));

  // A new login without a logout in between changes the user as well.
  loginAs(u"carol", u"19");
  EXPECT_FALSE(kept->HasRight(u"02"));
  EXPECT_TRUE(kept->HasRight(u"03"));
}

TEST_F(Rights, ACursorWithoutACountIsReadToItsEnd) {
  loginAs(u"alice", u"17");
  mid.component().answer = [](const std::vector<Variant>&) {
    Ref<Recordset> rs = recordsetOf({u"RightCode"}, rowsOf({u"01", u"0203", u"05"}));
    rs->setReportsRecordCount(false);
    return Variant(rs);
  };
  Ref<CUserRight> rights = app->UserRight();
  EXPECT_TRUE(rights->HasRight(u"05"));
  EXPECT_EQ(rights->codes(), (std::vector<String>{u"01", u"0203", u"05"}));
  // An empty one of that kind is no codes (and no move on an empty recordset).
  Ref<CUserRight> fresh = make<CUserRight>();
  mid.component().answer = [](const std::vector<Variant>&) {
    Ref<Recordset> rs = recordsetOf({u"RightCode"}, {});
    rs->setReportsRecordCount(false);
    return Variant(rs);
  };
  EXPECT_FALSE(fresh->HasRight(u"01"));
}

TEST_F(Rights, AFailedLoadLeavesNoCodesToAnswerFrom) {
  codesOf[u"17"] = {u"01"};
  loginAs(u"alice", u"17");
  Ref<CUserRight> rights = app->UserRight();
  ASSERT_TRUE(rights->HasRight(u"01"));

  loginAs(u"bob", u"18");
  mid.answerError(vbObjectError + 5, u"权限服务不可用");
  AutomationError e = raisedError([&] { rights->HasRight(u"01"); });
  EXPECT_EQ(e.number(), vbObjectError + 5);
  EXPECT_EQ(e.description(), u"权限服务不可用");
  EXPECT_TRUE(rights->codes().empty()) << "alice's codes went with the change of user";

  // A record that fails part-way: nothing of the list is kept.
  mid.component().answer = [](const std::vector<Variant>&) {
    return Variant(recordsetOf({u"RightCode"}, {{Variant(u"01")}, {Variant::null()}}));
  };
  EXPECT_EQ(raisedError([&] { rights->HasRight(u"01"); }).number(), 94);
  EXPECT_TRUE(rights->codes().empty());

  codesOf[u"18"] = {u"02"};
  SetUp();
  EXPECT_FALSE(rights->HasRight(u"01"));
  EXPECT_TRUE(rights->HasRight(u"02"));
}

TEST_F(Rights, LoadRightsByNameLoadsOnceAndClosesTheRecordset) {
  loginAs(u"alice", u"17");
  Ref<Recordset> answered = recordsetOf({u"RightCode"}, rowsOf({u"01"}));
  mid.component().answer = [answered](const std::vector<Variant>&) { return Variant(answered); };
  Ref<CUserRight> rights = app->UserRight();
  rights->call(u"LoadRights");
  rights->call(u"LoadRights");
  EXPECT_EQ(mid.component().calls.size(), 1u);
  EXPECT_FALSE(answered->isOpen());
  EXPECT_EQ(mid.created(), 1) << "a new component for each load, none kept";
}
