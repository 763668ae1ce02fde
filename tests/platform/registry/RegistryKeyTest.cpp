#include "platform/registry/RegistryKey.h"

#include <gtest/gtest.h>

namespace lv8int {
namespace {

using reg::Value;

// Values are found by name without regard to case and enumerate in the order first set, also
// after values before them were removed and others set again.
TEST(RegistryKey, ValuesKeepTheirOrderAndAreFoundThroughRemovals) {
  RegistryKey key(u"K");
  for (int i = 0; i < 200; ++i) key.setValue(Value::dword(u"Name" + toString(i), static_cast<uint32_t>(i)));
  key.setValue(Value::string(u"STRASSE", u"first spelling"));
  key.setValue(Value::string(u"name7", u"replaced in place"));
  key.setValue(Value::string(u"straße", u"full case folding"));  // folds to "strasse"
  for (int i = 0; i < 200; i += 3) ASSERT_TRUE(key.removeValue(u"NAME" + toString(i)));
  EXPECT_FALSE(key.removeValue(u"Name0"));
  key.setValue(Value::dword(u"name0", 1000));

  std::vector<String> expected;
  for (int i = 1; i < 200; ++i)
    if (i % 3) expected.push_back(u"Name" + toString(i));
  expected.push_back(u"STRASSE");
  expected.push_back(u"name0");
  std::vector<String> names;
  for (const Value& v : key.values()) names.push_back(v.name);
  EXPECT_EQ(names, expected);
  for (int i = 1; i < 200; ++i) {
    const Value* v = key.value(u"nAmE" + toString(i));
    if (i % 3 == 0) {
      EXPECT_EQ(v, nullptr) << i;
    } else if (i == 7) {
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(v->text(), u"replaced in place");
    } else {
      ASSERT_NE(v, nullptr) << i;
      EXPECT_EQ(v->number(), static_cast<uint64_t>(i));
    }
  }
  EXPECT_EQ(key.value(u"Strasse")->text(), u"full case folding");
  EXPECT_EQ(key.value(u"NAME0")->number(), 1000u);
  key.clear();
  EXPECT_EQ(key.value(u"name1"), nullptr);
  key.setValue(Value::dword(u"again", 1));
  EXPECT_EQ(key.value(u"AGAIN")->number(), 1u);
}

}  // namespace
}  // namespace lv8int
