// The user rights object a host keeps through sessions. (The session values through login and
// LogOut are checked in LoginTest.)
#include <gtest/gtest.h>

#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "support/AppHarness.h"

namespace lv8int {
namespace {

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
