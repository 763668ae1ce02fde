#include "app/CBaseInfo.h"

#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "support/RaisedError.h"

namespace lv8int {
namespace {

using test::errorOf;

std::vector<String> enumerated(const Ref<Object>& list) {
  std::vector<String> out;
  forEach(list, [&](const Variant& v) { out.push_back(CStr(v)); });
  return out;
}

// Item, Add, Count and the enumeration are a Collection's, whose rules are tested with it; here
// that the list is wired to it: the key given to Add is the key, never a position or a Before.
TEST(CBaseInfo, AddAndItemAreACollectionsByTheKeyGiven) {
  auto info = make<CBaseInfo>();
  info->Add(Variant(int32_t(5)), u"a");
  info->Add(Variant(u"second"), u"");  // no key
  info->Add(Variant(u"年度"), u"Ｙｅａｒ");
  EXPECT_EQ(CLng(info->Item(Variant(u"A"))), 5);
  EXPECT_EQ(CStr(info->Item(Variant(int32_t(2)))), u"second");
  EXPECT_EQ(CStr(info->Item(Variant(u"ｙＥＡＲ"))), u"年度");
  EXPECT_EQ(errorOf([&] { info->Add(Variant(int32_t(6)), u"A"); }), err::DuplicateKey);
  EXPECT_EQ(errorOf([&] { info->Item(Variant(u"missing")); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([&] { info->Item(Variant(int32_t(4))); }), err::SubscriptOutOfRange);
  EXPECT_EQ(enumerated(info), (std::vector<String>{u"5", u"second", u"年度"}));
}

TEST(CBaseInfo, RemoveNeverRaises) {
  auto info = make<CBaseInfo>();
  info->Add(Variant(int32_t(1)), u"one");
  info->Add(Variant(int32_t(2)), u"two");
  EXPECT_NO_THROW(info->Remove(Variant(u"three")));
  EXPECT_NO_THROW(info->Remove(Variant(int32_t(7))));
  EXPECT_NO_THROW(info->Remove(Variant()));
  EXPECT_NO_THROW(info->Remove(Variant::null()));
  EXPECT_EQ(info->Count(), 2);
  info->Remove(Variant(u"ONE"));
  EXPECT_EQ(info->Count(), 1);
  EXPECT_EQ(CLng(info->Item(Variant(int32_t(1)))), 2);
  // The key is free again.
  info->Add(Variant(int32_t(3)), u"one");
  EXPECT_EQ(CLng(info->Item(Variant(u"one"))), 3);
}

TEST(CBaseInfo, ClearStartsANewListAndLeavesARunningEnumerationAlone) {
  auto info = make<CBaseInfo>();
  info->Add(Variant(u"a"), u"ka");
  info->Add(Variant(u"b"), u"kb");
  Ref<Object> running = info->NewEnum();
  info->Clear();
  EXPECT_EQ(info->Count(), 0);
  EXPECT_EQ(errorOf([&] { info->Item(Variant(u"ka")); }), err::InvalidProcedureCall);
  info->Add(Variant(u"c"), u"ka");  // old keys are gone
  Variant item;
  auto* e = dynamic_cast<Enumerator*>(running.get());
  ASSERT_NE(e, nullptr);
  ASSERT_TRUE(e->next(item));
  EXPECT_EQ(CStr(item), u"a");
}

TEST(CBaseInfo, LateBoundItemIsTheDefaultMember) {
  auto info = make<CBaseInfo>();
  Ref<Object> obj = info;
  obj->call(u"add", {Variant(int32_t(9)), Variant(u"Key")});
  Args byDefault{Variant(u"KEY")};
  EXPECT_EQ(CLng(obj->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, byDefault)), 9);
  EXPECT_EQ(CLng(obj->get(u"Count")), 1);
  obj->call(u"Remove", {Variant(u"nothing here")});
  obj->call(u"Clear");
  EXPECT_EQ(CLng(obj->get(u"count")), 0);
}

}  // namespace
}  // namespace lv8int
