#include "platform/automation/EventSource.h"

#include <algorithm>

namespace lv8int {

int EventSource::connect(Ref<Object> sink) {
  if (!sink) raiseError(err::ObjectNotSet);
  int cookie = nextCookie_++;
  sinks_.push_back({cookie, std::move(sink)});
  return cookie;
}

void EventSource::disconnect(int cookie) {
  std::erase_if(sinks_, [cookie](const Connection& c) { return c.cookie == cookie; });
}

void EventSource::raise(StringView eventName, Args& args) {
  // A sink may disconnect while the event runs; iterate over a snapshot.
  std::vector<Connection> snapshot = sinks_;
  for (auto& c : snapshot) {
    // A sink that an earlier sink disconnected in this raise is not called any more.
    if (std::none_of(sinks_.begin(), sinks_.end(), [&](const Connection& s) { return s.cookie == c.cookie; }))
      continue;
    const DispatchTable* table = c.sink->dispatchTable();
    if (table) {
      if (table->find(eventName, InvokeKind::Method)) c.sink->invoke(eventName, InvokeKind::Method, args);
      continue;
    }
    // A sink without a member table answers by itself; "no such member" means it does not
    // handle this event.
    try {
      c.sink->invoke(eventName, InvokeKind::Method, args);
    } catch (const AutomationError& e) {
      if (e.number() != err::MemberNotSupported) throw;
    }
  }
}

EventSink& EventSink::on(StringView eventName, std::function<void(Args&)> handler) {
  handlers_[foldCase(eventName)] = std::move(handler);
  return *this;
}

Variant EventSink::invoke(StringView name, InvokeKind, Args& args) {
  auto it = handlers_.find(foldCase(name));
  if (it == handlers_.end()) raiseError(err::MemberNotSupported);
  it->second(args);
  return Variant();
}

}  // namespace lv8int
