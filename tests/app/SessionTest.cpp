// The session values through Init, login, a cancelled login2 and LogOut, as a host reads them.
#include <gtest/gtest.h>

#include "app/CApplication.h"
#include "app/CBaseInfo.h"
#include "app/CUserRight.h"
#include "support/AppHarness.h"

namespace lv8int {
namespace {

TEST(Session, ValuesFollowInitLoginCancelledLogin2AndLogOut) {
  test::AppHarness h;
  h.init();
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.app->corporationID(), -1);
  h.app->put_CurrentPrjID(u"2024-01");

  ASSERT_TRUE(h.loginAs(u"alice", u"17", u"-1"));
  EXPECT_EQ(h.app->CurrentUserID(), u"17");
  EXPECT_EQ(h.app->CurrentUserName(), u"alice");
  EXPECT_TRUE(h.app->IsExamNum());
  EXPECT_EQ(h.app->corporationID(), -1);
  EXPECT_EQ(h.app->CurrentPrjID(), u"2024-01");

  h.loginWindow->loginSucceeds = false;
  h.loginWindow->endLoginType = 3;
  int32_t requested = 1;
  EXPECT_FALSE(h.app->login2(requested));
  EXPECT_EQ(h.app->LoginType(), 3);
  EXPECT_EQ(h.app->CurrentUserID(), u"17");

  Ref<CBaseInfo> info = h.app->BaseInfo();
  info->Add(Variant(u"账套一"), u"Book");
  h.app->LogOut();
  EXPECT_EQ(h.app->CurrentUserID(), u"-1");
  EXPECT_EQ(h.app->CurrentUserName(), u"alice");
  EXPECT_TRUE(h.app->IsExamNum());
  EXPECT_EQ(h.app->LoginType(), 3);
  EXPECT_EQ(h.app->corporationID(), -1);
  EXPECT_EQ(h.app->CurrentPrjID(), u"2024-01");
  EXPECT_EQ(h.app->BaseInfo()->Count(), 0);
  EXPECT_EQ(info->Count(), 1);  // a client's reference still sees its own list
}

// Rights loaded for one user must never answer for the next one.
TEST(Session, UserRightsAreKeptWithinASessionOnly) {
  test::AppHarness h;
  h.init();
  ASSERT_TRUE(h.loginAs(u"alice", u"17"));
  Ref<CUserRight> alices = h.app->UserRight();
  EXPECT_TRUE(h.app->UserRight() == alices);
  ASSERT_TRUE(h.loginAs(u"bob", u"18"));
  Ref<CUserRight> bobs = h.app->UserRight();
  EXPECT_FALSE(bobs == alices);
  h.app->LogOut();
  EXPECT_FALSE(h.app->UserRight() == bobs);
}

}  // namespace
}  // namespace lv8int
