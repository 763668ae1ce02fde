#include "platform/automation/Collection.h"

#include <gtest/gtest.h>

#include "AutomationTestUtil.h"

namespace lv8int {
namespace {

using test::errorOf;
using test::expectStandardError;

// The items of a collection as texts, in enumeration order.
std::vector<String> walk(const Ref<Collection>& c) {
  std::vector<String> out;
  forEach(c, [&](const Variant& v) { out.push_back(CStr(v)); });
  return out;
}

Ref<Collection> abc() {
  auto c = make<Collection>();
  c->Add(Variant(u"A-item"), Variant(u"a"));
  c->Add(Variant(u"B-item"), Variant(u"b"));
  c->Add(Variant(u"C-item"), Variant(u"c"));
  return c;
}

TEST(Collection, KeysIgnoreLetterCase) {
  auto c = make<Collection>();
  c->Add(Variant(int32_t{5}), Variant(u"a"));
  EXPECT_EQ(CLng(c->Item(Variant(u"A"))), 5);
  // Full-width letters and non-Latin scripts fold too; Chinese text matches itself.
  c->Add(Variant(u"wide"), Variant(u"ＫＥＹ"));
  c->Add(Variant(u"chinese"), Variant(u"会计科目"));
  c->Add(Variant(u"greek"), Variant(u"ΣΟΦΙΑ"));
  EXPECT_EQ(CStr(c->Item(Variant(u"ｋｅｙ"))), u"wide");
  EXPECT_EQ(CStr(c->Item(Variant(u"会计科目"))), u"chinese");
  EXPECT_EQ(CStr(c->Item(Variant(u"σοφια"))), u"greek");
  EXPECT_FALSE(c->hasKey(u"KEY"));  // case folds, width does not: half-width is another key
  EXPECT_EQ(errorOf([&] { c->Item(Variant(u"会计")); }), err::InvalidProcedureCall);
  // Folding is by key, not by position: the text "1" is a key, not the first item.
  EXPECT_EQ(errorOf([&] { c->Item(Variant(u"1")); }), err::InvalidProcedureCall);
}

TEST(Collection, DuplicateKeyLeavesTheCollectionUnchanged) {
  auto c = abc();
  expectStandardError(err::DuplicateKey, [&] { c->Add(Variant(u"other"), Variant(u"B")); });
  EXPECT_EQ(c->Count(), 3);
  EXPECT_EQ(CStr(c->Item(Variant(u"b"))), u"B-item");
  EXPECT_EQ(walk(c), (std::vector<String>{u"A-item", u"B-item", u"C-item"}));
  // A failing Before leaves it unchanged too, and does not claim the key.
  EXPECT_EQ(errorOf([&] { c->Add(Variant(u"x"), Variant(u"x"), Variant(u"nope")); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([&] { c->Add(Variant(u"x"), Variant(u"x"), Variant(int32_t{9})); }), err::SubscriptOutOfRange);
  EXPECT_EQ(c->Count(), 3);
  EXPECT_FALSE(c->hasKey(u"x"));
}

TEST(Collection, RemoveShiftsPositionsAndFreesTheKey) {
  auto c = abc();
  c->Remove(Variant(int32_t{2}));
  EXPECT_EQ(c->Count(), 2);
  EXPECT_EQ(CStr(c->Item(Variant(int32_t{2}))), u"C-item");
  EXPECT_FALSE(c->hasKey(u"b"));
  EXPECT_EQ(errorOf([&] { c->Item(Variant(u"b")); }), err::InvalidProcedureCall);
  c->Add(Variant(u"B2"), Variant(u"B"));  // the key is free again
  EXPECT_EQ(CStr(c->Item(Variant(int32_t{3}))), u"B2");
  c->Remove(Variant(u"A"));
  EXPECT_EQ(CStr(c->Item(Variant(int32_t{1}))), u"C-item");
  EXPECT_EQ(walk(c), (std::vector<String>{u"C-item", u"B2"}));
}

TEST(Collection, BadPositionsAndMissingKeys) {
  auto c = abc();
  expectStandardError(err::SubscriptOutOfRange, [&] { c->Item(Variant(int32_t{0})); });
  EXPECT_EQ(errorOf([&] { c->Item(Variant(int32_t{4})); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { c->Item(Variant(-1.0)); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { c->Remove(Variant(int32_t{4})); }), err::SubscriptOutOfRange);
  expectStandardError(err::InvalidProcedureCall, [&] { c->Item(Variant(u"missing")); });
  EXPECT_EQ(errorOf([&] { c->Remove(Variant(u"missing")); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([&] { c->Item(Variant(u"x1")); }), err::InvalidProcedureCall);
  EXPECT_EQ(c->Count(), 3);
  // A position is rounded like any whole number: 1.5 is 2.
  EXPECT_EQ(CStr(c->Item(Variant(1.5))), u"B-item");
  EXPECT_EQ(errorOf([] { make<Collection>()->Item(Variant(int32_t{1})); }), err::SubscriptOutOfRange);
}

TEST(Collection, BeforeAndAfter) {
  auto c = abc();
  c->Add(Variant(u"first"), Variant::missing(), Variant(int32_t{1}));
  c->Add(Variant(u"after-b"), Variant(u"ab"), Variant::missing(), Variant(u"B"));
  c->Add(Variant(u"last"), Variant(), Variant::missing(), Variant(int32_t{5}));
  EXPECT_EQ(walk(c), (std::vector<String>{u"first", u"A-item", u"B-item", u"after-b", u"C-item", u"last"}));
  EXPECT_EQ(CStr(c->Item(Variant(u"AB"))), u"after-b");
  EXPECT_EQ(errorOf([&] { c->Add(Variant(u"x"), Variant(), Variant(int32_t{1}), Variant(int32_t{2})); }),
            err::InvalidProcedureCall);
  EXPECT_EQ(c->Count(), 6);
}

TEST(Collection, EnumerationAfterRemovalsAndDuringChanges) {
  auto c = make<Collection>();
  for (int32_t i = 1; i <= 6; ++i) c->Add(Variant(i), Variant(u"k" + toString(i)));
  c->Remove(Variant(u"K2"));
  c->Remove(Variant(int32_t{4}));  // the item 5 now sits at position 4
  c->Remove(Variant(int32_t{1}));
  EXPECT_EQ(walk(c), (std::vector<String>{u"3", u"4", u"6"}));
  // Changing the collection inside the loop does not disturb the walk in progress.
  std::vector<String> seen;
  forEach(c, [&](const Variant& v) {
    seen.push_back(CStr(v));
    if (c->Count() == 3) c->Remove(Variant(int32_t{3}));
  });
  EXPECT_EQ(seen, (std::vector<String>{u"3", u"4", u"6"}));
  EXPECT_EQ(c->Count(), 2);
}

TEST(Collection, LateBoundMembers) {
  Ref<Collection> c = make<Collection>();
  Ref<Object> obj = c;
  Variant key(u"Alpha");
  obj->call(u"ADD", {Variant(int32_t{1}), Variant::byRef(key)});
  obj->call(u"add", {Variant(int32_t{2})});
  EXPECT_EQ(CLng(obj->get(u"count")), 2);
  Args byKey{Variant(u"alpha")};
  EXPECT_EQ(CLng(obj->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, byKey)), 1);
  EXPECT_EQ(CLng(obj->call(u"Item", {Variant(int32_t{2})})), 2);
  expectStandardError(err::ArgumentNotOptional, [&] { obj->call(u"Add"); });
  expectStandardError(err::WrongArgumentCount, [&] { obj->call(u"Remove", {Variant(int32_t{1}), Variant(int32_t{2})}); });
  expectStandardError(err::MemberNotSupported, [&] { obj->call(u"Clear"); });
  // An item is stored by value: changing the variable afterwards does not change it.
  Variant item(u"v1");
  c->Add(Variant::byRef(item));
  item = Variant(u"v2");
  EXPECT_EQ(CStr(c->Item(Variant(int32_t{3}))), u"v1");
}

}  // namespace
}  // namespace lv8int
