#pragma once
// The Linux process service: posix_spawn, and one waiting thread per child that reaps it the
// moment it ends and keeps its exit code, so that no child is ever left a zombie.
#include "platform/processes/IProcesses.h"

namespace lv8int {

class LinuxProcesses : public IProcesses {
 public:
  ProcessStart start(const String& program, const std::vector<String>& arguments,
                     int32_t windowStyle) override;
  int32_t exitCode(int32_t processId) override;
  void release(int32_t processId) override;

  // The error number of a failed start, from the system's errno: 2 file not found, 3 path not
  // found, 5 access denied, 8 not enough memory, 87 invalid argument, 193 not a program,
  // 206 name too long, 31 any other failure.
  static int32_t errorNumber(int errnoValue);
};

}  // namespace lv8int
