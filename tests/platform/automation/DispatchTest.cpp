#include "platform/automation/Dispatch.h"

#include <gtest/gtest.h>

#include "AutomationTestUtil.h"

namespace lv8int {
namespace {

using test::errorOf;
using test::expectStandardError;

class LedgerBase : public Object {
 public:
  String Kind() const { return u"ledger"; }
};

// A small class answering by name through its member table.
class Ledger : public LedgerBase {
 public:
  double Balance() const { return balance_; }
  void putBalance(double v) { balance_ = v; }

  int32_t Post(double amount, const String& memo, const Variant& when) {
    balance_ += amount;
    lastMemo = memo;
    lastWhenMissing = when.isMissing();
    return ++posts_;
  }
  void Swap(Variant& a, Variant& b) { std::swap(a, b); }
  void Bump(int32_t& n) { ++n; }
  void Approve(bool& ok, String& note) {
    ok = true;
    note += u"!";
  }
  bool Probe(Variant& opt) { return opt.isMissing(); }

  // A property with an optional index before the assigned value.
  String Label(const Variant& index) const { return index.isMissing() ? label_ : label_ + u"#" + CStr(index); }
  void putLabel(const Variant& index, const String& value) {
    label_ = value;
    lastIndexMissing = index.isMissing();
  }

  String Value() const { return u"L:" + label_; }
  void putValue(const String& v) { label_ = v; }

  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Ledger>(u"Ledger")
                                           .put(u"Value", &Ledger::putValue)
                                           .get(u"Value", &Ledger::Value, {.id = DISPID_VALUE})
                                           .get(u"Balance", &Ledger::Balance)
                                           .put(u"Balance", &Ledger::putBalance)
                                           .method(u"Post", &Ledger::Post, {.required = 1})
                                           .method(u"Swap", &Ledger::Swap)
                                           .method(u"Bump", &Ledger::Bump)
                                           .method(u"Approve", &Ledger::Approve)
                                           .method(u"Probe", &Ledger::Probe, {.required = 0})
                                           .get(u"Label", &Ledger::Label, {.required = 0})
                                           .put(u"Label", &Ledger::putLabel, {.required = 0})
                                           .get(u"Kind", &LedgerBase::Kind)
                                           .build();
    return &table;
  }

  String lastMemo;
  bool lastWhenMissing = false;
  bool lastIndexMissing = false;

 private:
  double balance_ = 0;
  int32_t posts_ = 0;
  String label_;
};

TEST(Dispatch, MemberNamesInAnyCase) {
  auto ledger = make<Ledger>();
  ledger->put(u"BALANCE", Variant(10.0));
  EXPECT_EQ(CDbl(ledger->get(u"balance")), 10.0);
  EXPECT_EQ(CLng(ledger->call(u"pOsT", {Variant(u"2.5")})), 1);  // text converts to the Double parameter
  EXPECT_EQ(ledger->Balance(), 12.5);
  EXPECT_EQ(CStr(ledger->get(u"KIND")), u"ledger");  // a member of the base class
  // A property read may be called as a method, and a method read as a property.
  EXPECT_EQ(CDbl(ledger->call(u"Balance")), 12.5);
  EXPECT_EQ(CLng(ledger->get(u"Post", {Variant(0.0)})), 2);
  EXPECT_EQ(ledger->memberId(u"balance"), ledger->memberId(u"Balance"));
  EXPECT_EQ(ledger->memberId(u"nothing"), DISPID_UNKNOWN);
}

TEST(Dispatch, OmittedOptionalsArriveAsMissing) {
  auto ledger = make<Ledger>();
  ledger->call(u"Post", {Variant(1.0)});
  EXPECT_EQ(ledger->lastMemo, u"");
  EXPECT_TRUE(ledger->lastWhenMissing);
  ledger->call(u"Post", {Variant(1.0), Variant(u"memo"), Variant(int32_t{0})});
  EXPECT_EQ(ledger->lastMemo, u"memo");
  EXPECT_FALSE(ledger->lastWhenMissing);
  ledger->call(u"Post", {Variant(1.0), Variant::missing(), Variant::missing()});
  EXPECT_TRUE(ledger->lastWhenMissing);
  // Also for a by-reference Variant parameter.
  EXPECT_TRUE(CBool(ledger->call(u"Probe")));
  Variant x(int32_t{1});
  EXPECT_FALSE(CBool(ledger->call(u"Probe", {Variant::byRef(x)})));
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBack) {
  auto ledger = make<Ledger>();
  Variant a(u"first"), b(int32_t{2});
  ledger->call(u"Swap", {Variant::byRef(a), Variant::byRef(b)});
  EXPECT_TRUE(a.sameAs(Variant(int32_t{2})));
  EXPECT_TRUE(b.sameAs(Variant(u"first")));

  // A typed by-reference parameter converts in and writes its type back.
  Variant n(u"41");
  ledger->call(u"Bump", {Variant::byRef(n)});
  EXPECT_TRUE(n.sameAs(Variant(int32_t{42})));
  Variant ok(int32_t{0}), note(u"seen");
  ledger->call(u"Approve", {Variant::byRef(ok), Variant::byRef(note)});
  EXPECT_TRUE(ok.sameAs(Variant(true)));
  EXPECT_EQ(CStr(note), u"seen!");

  // Passed by value, the caller's variable stays as it was.
  Variant m(int32_t{7});
  Args args{m};
  ledger->invoke(u"Bump", InvokeKind::Method, args);
  EXPECT_EQ(CLng(m), 7);
  EXPECT_EQ(CLng(args[0]), 8);

  // A conversion that fails calls nothing and leaves the variable alone.
  Variant bad(u"abc");
  expectStandardError(err::TypeMismatch, [&] { ledger->call(u"Bump", {Variant::byRef(bad)}); });
  EXPECT_TRUE(bad.sameAs(Variant(u"abc")));
}

TEST(Dispatch, ArgumentAndMemberErrors) {
  auto ledger = make<Ledger>();
  expectStandardError(err::MemberNotSupported, [&] { ledger->call(u"Withdraw"); });
  expectStandardError(err::MemberNotSupported, [&] { ledger->put(u"Kind", Variant(u"x")); });  // read-only
  expectStandardError(err::MemberNotSupported, [&] { ledger->get(u"Swap2"); });
  expectStandardError(err::WrongArgumentCount, [&] {
    ledger->call(u"Post", {Variant(1.0), Variant(u"m"), Variant(), Variant()});
  });
  expectStandardError(err::WrongArgumentCount, [&] { ledger->get(u"Balance", {Variant(int32_t{1})}); });
  expectStandardError(err::ArgumentNotOptional, [&] { ledger->call(u"Post"); });
  expectStandardError(err::ArgumentNotOptional, [&] { ledger->call(u"Post", {Variant::missing()}); });
  Variant missing = Variant::missing();
  expectStandardError(err::ArgumentNotOptional, [&] { ledger->call(u"Swap", {Variant::byRef(missing), Variant()}); });
  EXPECT_EQ(errorOf([&] { ledger->call(u"Post", {Variant::null()}); }), err::InvalidUseOfNull);
  EXPECT_EQ(ledger->Balance(), 0.0);  // nothing ran
}

TEST(Dispatch, PutValueBindsToTheLastParameter) {
  auto ledger = make<Ledger>();
  ledger->put(u"Label", Variant(u"plain"));
  EXPECT_TRUE(ledger->lastIndexMissing);
  EXPECT_EQ(CStr(ledger->get(u"Label")), u"plain");
  ledger->put(u"Label", Variant(u"indexed"), {Variant(int32_t{2})});
  EXPECT_FALSE(ledger->lastIndexMissing);
  EXPECT_EQ(CStr(ledger->get(u"Label", {Variant(int32_t{3})})), u"indexed#3");
}

TEST(Dispatch, DefaultMemberById) {
  auto ledger = make<Ledger>();
  // The put was listed before the get that carries the default id; both are the default member.
  Args put{Variant(u"main")};
  ledger->invokeId(DISPID_VALUE, InvokeKind::PropertyPut, put);
  Args none;
  EXPECT_EQ(CStr(ledger->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, none)), u"L:main");
  EXPECT_EQ(ledger->memberId(u"value"), DISPID_VALUE);
  EXPECT_EQ(CStr(Variant(ledger)), u"L:main");
  EXPECT_EQ(errorOf([&] { ledger->invokeId(DISPID_NEWENUM, InvokeKind::PropertyGet, none); }),
            err::MemberNotSupported);
  EXPECT_EQ(errorOf([&] { forEach(ledger, [](const Variant&) {}); }), err::MemberNotSupported);
}

TEST(Dispatch, MemberTableKeepsSlotOrderAndSharesIdsPerName) {
  auto ledger = make<Ledger>();
  const DispatchTable* t = ledger->dispatchTable();
  ASSERT_EQ(t->members().size(), 12u);
  EXPECT_EQ(t->members()[0].name, u"Value");
  EXPECT_EQ(t->members()[0].kind, InvokeKind::PropertyPut);
  EXPECT_EQ(t->members()[2].name, u"Balance");
  EXPECT_EQ(t->members()[2].id, t->members()[3].id);
  EXPECT_NE(t->members()[2].id, t->members()[4].id);
  EXPECT_EQ(t->members()[4].required, 1);
  EXPECT_EQ(t->members()[4].arity, 3);
}

}  // namespace
}  // namespace lv8int
