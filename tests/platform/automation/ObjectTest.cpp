#include "platform/automation/Object.h"

#include <gtest/gtest.h>

#include "AutomationTestUtil.h"
#include "platform/automation/Dispatch.h"

namespace lv8int {
namespace {

// Counts live instances so a test sees exactly when the last release destroys.
struct Tracker {
  int alive = 0;
  int destroyed = 0;
};

// A non-dispatch interface, reached with query<T>.
class IGreeter : public virtual Object {
 public:
  virtual String greet() const = 0;
};

class IUnused : public virtual Object {};

class Child : public IGreeter {
 public:
  explicit Child(Tracker& t) : t_(t) { ++t_.alive; }
  ~Child() override {
    --t_.alive;
    ++t_.destroyed;
  }
  String greet() const override { return u"hello"; }

 private:
  Tracker& t_;
};

class Parent : public Object {
 public:
  explicit Parent(Tracker& t) : child_(make<Child>(t)) {}
  Ref<Child> ChildObject() const { return child_; }
  void Drop() { child_ = nullptr; }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Parent>(u"Parent")
                                           .get(u"Child", &Parent::ChildObject)
                                           .method(u"Drop", &Parent::Drop)
                                           .build();
    return &table;
  }

 private:
  Ref<Child> child_;
};

TEST(Object, TheLastReleaseDestroys) {
  Tracker t;
  {
    Ref<Child> a = make<Child>(t);
    EXPECT_EQ(a->refCount(), 1);
    Ref<Object> b = a;
    Variant v = b;
    Args args{v};
    EXPECT_EQ(a->refCount(), 4);
    a = nullptr;
    b.reset();
    args.clear();
    EXPECT_EQ(t.alive, 1);  // v still holds it
    EXPECT_EQ(CStr(Variant(query<IGreeter>(v.rawObject())->greet())), u"hello");
  }
  EXPECT_EQ(t.alive, 0);
  EXPECT_EQ(t.destroyed, 1);
}

TEST(Object, AReturnedObjectIsTheSameObject) {
  Tracker t;
  auto parent = make<Parent>(t);
  Variant first = parent->get(u"Child");
  Variant second = parent->get(u"child");
  ASSERT_TRUE(first.isObject());
  EXPECT_EQ(first.rawObject().get(), second.rawObject().get());
  EXPECT_EQ(first.rawObject(), parent->ChildObject());
  EXPECT_EQ(first.rawObject()->refCount(), 3);  // the parent and the two Variants
  EXPECT_TRUE(first.sameAs(second));
  // The object outlives its owner's reference while a caller holds it.
  parent->call(u"Drop");
  EXPECT_EQ(t.alive, 1);
  first = Variant();
  second = Variant();
  EXPECT_EQ(t.alive, 0);
}

TEST(Object, QueryAndIdentityAcrossInterfaces) {
  Tracker t;
  Ref<Object> obj = make<Child>(t);
  Ref<IGreeter> greeter = query<IGreeter>(obj);
  ASSERT_TRUE(greeter);
  EXPECT_EQ(greeter->greet(), u"hello");
  EXPECT_FALSE(query<IUnused>(obj));
  EXPECT_FALSE(query<IGreeter>(Ref<Object>()));
  // The same object compares equal through any interface; another object does not.
  EXPECT_TRUE(greeter == obj);
  EXPECT_TRUE(obj == greeter);
  Ref<Object> other = make<Child>(t);
  EXPECT_FALSE(greeter == other);
  EXPECT_TRUE(Ref<Object>() == nullptr);
  obj = nullptr;
  EXPECT_EQ(t.alive, 2);  // greeter keeps the first alive
  greeter = nullptr;
  EXPECT_EQ(t.alive, 1);
}

TEST(Object, AnObjectWithoutATableAnswersNothing) {
  Tracker t;
  auto child = make<Child>(t);
  test::expectStandardError(err::MemberNotSupported, [&] { child->call(u"greet"); });
  Args none;
  EXPECT_EQ(test::errorOf([&] { child->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, none); }),
            err::MemberNotSupported);
  EXPECT_EQ(child->memberId(u"greet"), DISPID_UNKNOWN);
}

}  // namespace
}  // namespace lv8int
