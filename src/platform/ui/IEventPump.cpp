#include "platform/ui/IEventPump.h"

#include "platform/ui/QtEventPump.h"

namespace lv8int {

namespace {
thread_local IEventPump* replacement = nullptr;
}

IEventPump& IEventPump::current() {
  if (replacement) return *replacement;
  static QtEventPump linux;
  return linux;
}

IEventPump* IEventPump::exchangeCurrent(IEventPump* r) {
  IEventPump* old = replacement;
  replacement = r;
  return old;
}

}  // namespace lv8int
