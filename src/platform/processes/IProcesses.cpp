#include "platform/processes/IProcesses.h"

#include "platform/processes/LinuxProcesses.h"

namespace lv8int {

namespace {
thread_local IProcesses* replacement = nullptr;
}

IProcesses& IProcesses::current() {
  if (replacement) return *replacement;
  static LinuxProcesses linux;
  return linux;
}

IProcesses* IProcesses::exchangeCurrent(IProcesses* r) {
  IProcesses* old = replacement;
  replacement = r;
  return old;
}

}  // namespace lv8int
