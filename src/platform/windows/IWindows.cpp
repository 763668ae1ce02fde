#include "platform/windows/IWindows.h"

#include "platform/windows/LinuxWindows.h"

namespace lv8int {

namespace {
thread_local IWindows* replacement = nullptr;
}

IWindows& IWindows::current() {
  if (replacement) return *replacement;
  static LinuxWindows linux;
  return linux;
}

IWindows* IWindows::exchangeCurrent(IWindows* r) {
  IWindows* old = replacement;
  replacement = r;
  return old;
}

}  // namespace lv8int
