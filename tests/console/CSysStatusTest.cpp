#include "console/CSysStatus.h"

#include <gtest/gtest.h>

#include "platform/automation/ComponentRegistry.h"

namespace lv8int {
namespace {

// Clients create the checker themselves, by ProgID, and ask it by name.
TEST(CSysStatus, EveryEntryIsAllowedBeforeAndAfterARefresh) {
  Ref<Object> status = ComponentRegistry::instance().create(u"LV8INT.CSysStatus");
  ASSERT_TRUE(dynamic_cast<CSysStatus*>(status.get()));
  for (int round = 0; round < 2; ++round) {
    for (const char16_t* entry : {u"", u"VoucherEntry", u"结账", u"; DROP"}) {
      Variant answer = status->call(u"CheckSysStatus", {Variant(entry)});
      EXPECT_EQ(answer.type(), VarType::Boolean);
      EXPECT_TRUE(answer.rawBool());
    }
    EXPECT_TRUE(status->call(u"GetSysStatus").isEmpty());
  }
  // Each creation is a new object.
  EXPECT_FALSE(ComponentRegistry::instance().create(u"LV8INT.CSysStatus") == status);
}

}  // namespace
}  // namespace lv8int
