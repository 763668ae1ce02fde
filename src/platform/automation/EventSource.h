#pragma once
// A connection point: sinks connect to a source, and raising an event calls the member of
// that name on every sink in connection order. By-reference arguments (Variant::byRef) carry
// what a sink writes back to the raiser. A sink that lacks the event's member is skipped.
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

namespace lv8int {

class EventSource {
 public:
  // Connects a sink; the cookie disconnects it.
  int connect(Ref<Object> sink);
  void disconnect(int cookie);
  size_t sinkCount() const noexcept { return sinks_.size(); }

  // Raises `eventName` with `args` to every sink, in connection order. Errors a sink raises
  // reach the raiser.
  void raise(StringView eventName, Args& args);

 private:
  struct Connection {
    int cookie;
    Ref<Object> sink;
  };
  std::vector<Connection> sinks_;
  int nextCookie_ = 1;
};

// A sink built from functions, for C++ hosts and tests: on(name, handler).
class EventSink : public Object {
 public:
  EventSink& on(StringView eventName, std::function<void(Args&)> handler);
  Variant invoke(StringView name, InvokeKind kind, Args& args) override;

 private:
  std::unordered_map<String, std::function<void(Args&)>> handlers_;
};

}  // namespace lv8int
