#include "platform/automation/EventSource.h"

#include <gtest/gtest.h>

#include "AutomationTestUtil.h"

namespace lv8int {
namespace {

using test::errorOf;

// A sink with a member table, as a host form written against the event interface would be.
class BandSink : public Object {
 public:
  void BandOpen(const String& bandName, bool& cancel) {
    seen.push_back(bandName);
    cancel = cancelIt;
  }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table =
        DispatchBuilder<BandSink>(u"BandSink").method(u"BandOpen", &BandSink::BandOpen).build();
    return &table;
  }
  bool cancelIt = true;
  std::vector<String> seen;
};

// A sink whose table lacks the event.
class DeafSink : public Object {
 public:
  void Other() { ++calls; }
  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<DeafSink>(u"DeafSink").method(u"Other", &DeafSink::Other).build();
    return &table;
  }
  int calls = 0;
};

// What the console does: raise BandOpen(name, Cancel) and read Cancel afterwards.
bool raiseBandOpen(EventSource& source, const String& band) {
  Variant cancel(false);
  Args args{Variant(band), Variant::byRef(cancel)};
  source.raise(u"BandOpen", args);
  return CBool(cancel);
}

TEST(EventSource, ASinkThatCancelsReachesTheRaiser) {
  EventSource source;
  EXPECT_FALSE(raiseBandOpen(source, u"Main"));  // no sinks: Cancel stays False

  auto sink = make<BandSink>();
  source.connect(sink);
  EXPECT_TRUE(raiseBandOpen(source, u"Main"));
  EXPECT_EQ(sink->seen, std::vector<String>{u"Main"});

  // A handler-function sink, answering the event name in any case.
  EventSource other;
  auto handler = make<EventSink>();
  handler->on(u"bandopen", [](Args& a) { a[1].assign(Variant(true)); });
  other.connect(handler);
  EXPECT_TRUE(raiseBandOpen(other, u"Tools"));
}

TEST(EventSource, SinksRunInConnectionOrderAndSeeEarlierWrites) {
  EventSource source;
  std::vector<std::string> order;
  auto first = make<EventSink>();
  first->on(u"BandOpen", [&](Args& a) {
    order.push_back("first:" + std::to_string(CBool(a[1])));
    a[1].assign(Variant(true));
  });
  auto second = make<BandSink>();
  second->cancelIt = false;  // a later sink may undo an earlier one's Cancel
  auto deaf = make<DeafSink>();
  auto third = make<EventSink>();
  third->on(u"BandOpen", [&](Args& a) { order.push_back("third:" + std::to_string(CBool(a[1]))); });
  source.connect(first);
  source.connect(deaf);
  source.connect(second);
  int thirdCookie = source.connect(third);
  EXPECT_FALSE(raiseBandOpen(source, u"B"));
  EXPECT_EQ(order, (std::vector<std::string>{"first:0", "third:0"}));
  EXPECT_EQ(second->seen.size(), 1u);
  EXPECT_EQ(deaf->calls, 0);

  source.disconnect(thirdCookie);
  order.clear();
  raiseBandOpen(source, u"B");
  EXPECT_EQ(order, std::vector<std::string>{"first:0"});
  EXPECT_EQ(source.sinkCount(), 3u);
}

TEST(EventSource, ErrorsReachTheRaiserAndStopTheRaise) {
  EventSource source;
  int laterCalls = 0;
  auto failing = make<EventSink>();
  failing->on(u"BandOpen", [](Args&) { raiseError(vbObjectError + 12, u"Host", u"band refused"); });
  auto later = make<EventSink>();
  later->on(u"BandOpen", [&](Args&) { ++laterCalls; });
  source.connect(failing);
  source.connect(later);
  const AutomationError e = test::raisedError([&] { raiseBandOpen(source, u"X"); });
  EXPECT_EQ(e.number(), vbObjectError + 12);
  EXPECT_EQ(e.source(), u"Host");
  EXPECT_EQ(e.description(), u"band refused");
  EXPECT_EQ(laterCalls, 0);
  EXPECT_EQ(errorOf([&] { source.connect(Ref<Object>()); }), err::ObjectNotSet);
}

TEST(EventSource, ASinkDisconnectedDuringTheRaiseIsNotCalled) {
  EventSource source;
  int secondCalls = 0;
  int secondCookie = 0;
  auto first = make<EventSink>();
  first->on(u"BandOpen", [&](Args&) { source.disconnect(secondCookie); });
  auto second = make<EventSink>();
  second->on(u"BandOpen", [&](Args&) { ++secondCalls; });
  source.connect(first);
  secondCookie = source.connect(second);
  second = nullptr;  // only the source holds it now: the disconnect must not free it under the raise
  raiseBandOpen(source, u"X");
  EXPECT_EQ(secondCalls, 0);
  EXPECT_EQ(source.sinkCount(), 1u);
}

}  // namespace
}  // namespace lv8int
