#pragma once
// One round of waiting for a process while the user interface stays alive.
#include <chrono>
#include <cstdint>

namespace lv8int::waitloop {

inline constexpr std::chrono::milliseconds kInterval{100};

// Reads the process's exit code (STILL_ACTIVE while it runs), lets the user interface process
// its pending events, sleeps kInterval, and returns the exit code read. A caller waits with
//   while (waitloop::step(pid) == STILL_ACTIVE) { ... }
int32_t step(int32_t processId);

}  // namespace lv8int::waitloop
