#include "platform/ui/IFolderDialog.h"

#include "platform/ui/QtFolderDialog.h"

namespace lv8int {

namespace {
thread_local IFolderDialog* replacement = nullptr;
}

IFolderDialog& IFolderDialog::current() {
  if (replacement) return *replacement;
  static QtFolderDialog linux;
  return linux;
}

IFolderDialog* IFolderDialog::exchangeCurrent(IFolderDialog* r) {
  IFolderDialog* old = replacement;
  replacement = r;
  return old;
}

}  // namespace lv8int
