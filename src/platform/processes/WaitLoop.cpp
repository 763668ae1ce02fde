#include "platform/processes/WaitLoop.h"

#include <thread>

#include "platform/processes/IProcesses.h"
#include "platform/ui/IEventPump.h"

namespace lv8int::waitloop {

int32_t step(int32_t processId) {
  const int32_t code = IProcesses::current().exitCode(processId);
  IEventPump::current().processPendingEvents();
  std::this_thread::sleep_for(kInterval);
  return code;
}

}  // namespace lv8int::waitloop
