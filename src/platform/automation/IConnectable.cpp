#include "platform/automation/IConnectable.h"

#include <cstdio>
#include <exception>

namespace lv8int {

void EventConnection::connect(const Ref<Object>& source, Ref<Object> sink) {
  reset();
  Ref<IConnectable> connectable = query<IConnectable>(source);
  if (!connectable) return;
  cookie_ = connectable->events().connect(std::move(sink));
  source_ = connectable;
}

void EventConnection::reset() noexcept {
  if (source_) source_->events().disconnect(cookie_);
  source_ = Ref<IConnectable>();
  cookie_ = 0;
}

bool raiseFromUi(EventSource& source, StringView eventName, Args& args) {
  try {
    source.raise(eventName, args);
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "LV8INT: a handler of the event %s failed: %s\n", toUtf8(eventName).c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "LV8INT: a handler of the event %s failed\n", toUtf8(eventName).c_str());
  }
  return false;
}

}  // namespace lv8int
