#pragma once
// The one way an object offers the events it raises: any object may implement IConnectable and
// hand out its EventSource; a client connects a sink (an object answering the event names by
// late binding, for example an EventSink) and keeps the cookie to disconnect. A client that
// handles the events of objects it is given (a toolbar control, a form) relies on nothing else,
// so any object offering the same event names can take their place.
#include "platform/automation/EventSource.h"

namespace lv8int {

class IConnectable : public virtual Object {
 public:
  virtual EventSource& events() = 0;
};

// One sink connected to one object's events; disconnects when reset or destroyed. An object
// that offers no events leaves the connection empty (no error: there is nothing to handle).
class EventConnection {
 public:
  EventConnection() = default;
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;
  ~EventConnection() { reset(); }

  // Connects `sink` to `source`'s events, dropping any earlier connection first.
  void connect(const Ref<Object>& source, Ref<Object> sink);
  void reset() noexcept;
  bool connected() const noexcept { return cookie_ != 0; }

 private:
  Ref<IConnectable> source_;
  int cookie_ = 0;
};

// Raises an event from a window system's event handler, which nothing may leave by an
// exception: a sink's error is written to standard error and false returned.
bool raiseFromUi(EventSource& source, StringView eventName, Args& args);

}  // namespace lv8int
