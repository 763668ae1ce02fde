#include "platform/automation/Variant.h"

#include <gtest/gtest.h>

#include "AutomationTestUtil.h"
#include "platform/automation/Conversions.h"

namespace lv8int {
namespace {

using test::errorOf;

TEST(Variant, ByReferenceReadsAndWritesItsTarget) {
  Variant target(int32_t{1});
  Variant ref = Variant::byRef(target);
  Variant refOfRef = Variant::byRef(ref);  // collapses onto the same target
  EXPECT_TRUE(ref.isByRef());
  EXPECT_EQ(ref.type(), VarType::Long);
  refOfRef.assign(Variant(u"two"));
  EXPECT_TRUE(target.sameAs(Variant(u"two")));
  EXPECT_TRUE(ref.isString());
  // A copy of a by-reference argument still reaches the caller's variable.
  Variant copy = ref;
  copy.assign(Variant(3.0));
  EXPECT_EQ(target.type(), VarType::Double);
  // Assigning one by-reference argument to another stores the value, not another reference.
  Variant other(u"x");
  ref.assign(Variant::byRef(other));
  other = Variant(u"changed");
  EXPECT_TRUE(target.sameAs(Variant(u"x")));
  // An ordinary Variant is simply replaced.
  Variant plain(int16_t{1});
  plain.assign(Variant(true));
  EXPECT_EQ(plain.type(), VarType::Boolean);
  EXPECT_FALSE(plain.isByRef());
}

TEST(Variant, ArraysCopyByValueWithBounds) {
  SafeArray a(VarType::Long, 1, 3);
  a.at(1) = Variant(int32_t{10});
  a.at(3) = Variant(int32_t{30});
  Variant v = Variant::array(std::move(a));
  Variant copy = v;
  copy.arrayData()->at(1) = Variant(int32_t{99});
  EXPECT_EQ(CLng(v.arrayData()->at(1)), 10);
  EXPECT_EQ(CLng(v.arrayData()->at(2)), 0);  // the element type's zero value
  EXPECT_EQ(v.arrayData()->lbound(), 1);
  EXPECT_EQ(v.arrayData()->ubound(), 3);
  EXPECT_TRUE(v.isArray());
  EXPECT_FALSE(v.isNumeric());
  EXPECT_EQ(v.arrayElementType(), VarType::Long);
  test::expectStandardError(err::SubscriptOutOfRange, [&] { v.arrayData()->at(0); });
  EXPECT_EQ(errorOf([&] { v.arrayData()->at(4); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { v.arrayData()->ubound(2); }), err::SubscriptOutOfRange);

  // Two dimensions: the first index runs fastest in storage.
  SafeArray grid(VarType::Variant, {{0, 1}, {5, 6}});
  grid.at({1, 5}) = Variant(u"x");
  EXPECT_TRUE(grid.elements()[1].isString());
  EXPECT_EQ(errorOf([&] { grid.at({1}); }), err::SubscriptOutOfRange);

  SafeArray grow(VarType::Byte, 0, 1);
  grow.at(1) = Variant::byte(7);
  grow.redimPreserve(3);
  EXPECT_EQ(grow.toBytes(), (std::vector<uint8_t>{0, 7, 0, 0}));
  grow.redimPreserve(-1);
  EXPECT_EQ(grow.size(), 0u);
  EXPECT_EQ(grow.ubound(), -1);
}

TEST(Variant, ImpossibleArrayBoundsRaiseOutOfMemory) {
  // Bounds whose element count does not fit a Long must fail cleanly, not wrap around.
  test::expectStandardError(err::OutOfMemory, [] { SafeArray(VarType::Byte, INT32_MIN, INT32_MAX); });
  test::expectStandardError(err::OutOfMemory, [] { SafeArray(VarType::Byte, {{0, 65535}, {0, 65535}}); });
  EXPECT_EQ((ArrayBound{INT32_MIN, INT32_MAX}.count()), INT32_MAX);
  SafeArray small(VarType::Byte, 0, 0);
  EXPECT_EQ(errorOf([&] { small.redimPreserve(INT32_MAX); }), err::OutOfMemory);
  EXPECT_EQ(small.ubound(), 0);  // unchanged after the failure
}

TEST(Variant, MissingAndTypeNames) {
  Variant missing = Variant::missing();
  EXPECT_TRUE(missing.isMissing());
  EXPECT_EQ(missing.type(), VarType::Error);
  EXPECT_FALSE(Variant::error(5).isMissing());
  Variant ref = Variant::byRef(missing);
  EXPECT_TRUE(ref.isMissing());
  EXPECT_EQ(typeName(Variant(int32_t{1}).type()), u"Long");
  EXPECT_EQ(typeName(Variant::currency(1).type()), u"Currency");
  EXPECT_TRUE(Variant::nothing().isObject());
  EXPECT_FALSE(Variant::nothing().rawObject());
}

}  // namespace
}  // namespace lv8int
