#pragma once
// Top-level windows of other processes through the X server (EWMH hints where a window
// manager provides them). Without a display (or without X11 support in the build) there are
// no such windows and every operation fails.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation/String.h"
#include "platform/windows/IWindows.h"

namespace lv8int {

class X11Windows {
 public:
  static X11Windows& instance();

  // True when the display named by DISPLAY can be reached.
  bool available();
  // Client windows whose _NET_WM_PID is processId, the top of the stacking order first.
  std::vector<uint64_t> clientWindows(int64_t processId);
  bool exists(uint64_t window);
  bool hasOwner(uint64_t window);
  std::optional<String> name(uint64_t window);
  bool setName(uint64_t window, const String& text);
  std::optional<WindowRect> frameRect(uint64_t window);
  bool moveFrame(uint64_t window, int32_t x, int32_t y, int32_t width, int32_t height);
  bool requestClose(uint64_t window);

 private:
  X11Windows() = default;
  struct Session;
  void* display();  // Display*, opened on first use and again when DISPLAY changes

  std::recursive_mutex mutex_;
  void* display_ = nullptr;
  std::string displayName_;
};

}  // namespace lv8int
