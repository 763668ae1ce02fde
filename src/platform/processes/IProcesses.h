#pragma once
// Service: starting programs and reading their exit codes.
#include <cstdint>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int {

// The exit code a process reports while it is still running.
inline constexpr int32_t STILL_ACTIVE = 259;

struct ProcessStart {
  int32_t processId = 0;  // 0 when the start failed
  int32_t error = 0;      // 0, or why the start failed (LinuxProcesses::errorNumber)
  explicit operator bool() const { return error == 0; }
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;

  // Starts `program` with `arguments`, no shell in between: the path is taken as written,
  // spaces and shell characters included. A name without "/" is looked up in PATH. The child
  // finds `windowStyle` in LV8INT_WINDOW_STYLE (see WindowStyle.h).
  virtual ProcessStart start(const String& program, const std::vector<String>& arguments,
                             int32_t windowStyle) = 0;

  // The exit code of a process started here, STILL_ACTIVE (259) while it runs; STILL_ACTIVE
  // too for a running process started elsewhere. Raises 5 for a process id that names neither.
  virtual int32_t exitCode(int32_t processId) = 0;

  // Forgets the exit code of a process started here once it is no longer needed.
  virtual void release(int32_t processId) = 0;

  static IProcesses& current();
  static IProcesses* exchangeCurrent(IProcesses* replacement);
};

}  // namespace lv8int
