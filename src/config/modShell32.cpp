#include "config/modShell32.h"

#include "config/ConfigFiles.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/processes/IProcesses.h"
#include "platform/processes/WaitLoop.h"
#include "platform/windows/IWindows.h"

namespace lv8int::modShell32 {

namespace {

// Missing, below 0 or above 6: minimised without focus.
int32_t windowStyleOf(const Variant& WindowStyle) {
  constexpr int32_t kMinimisedNoFocus = 6;
  if (WindowStyle.isMissing()) return kMinimisedNoFocus;
  const double style = CDbl(WindowStyle);
  if (style < 0 || style > 6) return kMinimisedNoFocus;
  return CLng(WindowStyle);
}

}  // namespace

int32_t ShellAndWait(const String& Command, const Variant& WindowStyle) {
  const int32_t style = windowStyleOf(WindowStyle);

  // The command is one program path, started as written: no shell splits or interprets it.
  IProcesses& processes = IProcesses::current();
  const ProcessStart started = processes.start(Command, {}, style);
  if (!started) return started.error + vbObjectError;

  // The program's main window, searched for once: a window it creates later is not seen.
  IWindows& windows = IWindows::current();
  const int32_t window = windows.mainWindowOf(started.processId);

  int32_t exitCode = STILL_ACTIVE;
  do {
    if (window != 0) {
      // A program that is done says so in its caption; close the window for it.
      const String caption = windows.windowText(window).substr(0, 255);
      if (!caption.empty() && configfiles::upperCase(caption).starts_with(u"FINISHED"))
        windows.requestClose(window);
    }
    exitCode = waitloop::step(started.processId);
  } while (exitCode == STILL_ACTIVE);

  processes.release(started.processId);
  return exitCode;
}

}  // namespace lv8int::modShell32
