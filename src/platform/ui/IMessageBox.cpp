#include "platform/ui/IMessageBox.h"

#include "platform/ui/QtMessageBox.h"

namespace lv8int {

namespace {
thread_local IMessageBox* replacement = nullptr;
}

IMessageBox& IMessageBox::current() {
  if (replacement) return *replacement;
  static QtMessageBox linux;
  return linux;
}

IMessageBox* IMessageBox::exchangeCurrent(IMessageBox* r) {
  IMessageBox* old = replacement;
  replacement = r;
  return old;
}

}  // namespace lv8int
