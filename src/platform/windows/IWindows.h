#pragma once
// Service: window handles and the operations the library performs on windows.
//
// A handle is a Long naming a window of this process (a QWidget) or a top-level window of
// another process (an X11 client). A handle stays the same for the life of its window and is
// not given to another window; 0 is never a handle. Operations on a handle whose window is
// gone, or on a Qt window from a thread other than its own, fail (false, empty, 0): to another
// thread a Qt window is no window at all, so that no thread touches a window its own thread may
// be deleting.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/automation/String.h"

class QWidget;

namespace lv8int {

// A window's rectangle in screen pixels, frame included; right and bottom are exclusive
// (right - left is the width).
struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const WindowRect&) const = default;
};

class IWindows {
 public:
  virtual ~IWindows() = default;

  // The handle of a widget (any widget, a window or a child); 0 for none and for a widget of
  // another thread.
  virtual int32_t handleOf(QWidget* widget) = 0;
  // The widget of a handle; null when the handle names no live widget of the calling thread.
  virtual QWidget* widgetOf(int32_t handle) = 0;
  // True while the handle names a live window.
  virtual bool isWindow(int32_t handle) = 0;

  // This process's top-level windows, hidden ones included; none off the application's thread.
  virtual std::vector<int32_t> topLevelWindows() = 0;
  // The top-level windows of a process, the top of the stacking order first: this process's
  // own Qt windows, or another process's X11 clients when a display is there (none otherwise).
  virtual std::vector<int32_t> processWindows(int64_t processId) = 0;
  // The first of processWindows() that has no owner (no parent widget, no transient-for
  // window); 0 when there is none.
  virtual int32_t mainWindowOf(int64_t processId) = 0;

  virtual std::optional<WindowRect> windowRect(int32_t handle) = 0;
  // Moves a window: for a top-level window x, y, width and height are its frame's, in screen
  // pixels; for a child widget they are relative to its parent. With `repaint` the window is
  // painted at once.
  virtual bool moveWindow(int32_t handle, int32_t x, int32_t y, int32_t width, int32_t height,
                          bool repaint) = 0;
  // Enables or disables input to a window; returns true when it was disabled before.
  virtual bool enableWindow(int32_t handle, bool enable) = 0;
  virtual bool isWindowEnabled(int32_t handle) = 0;
  // The caption (window title); empty for a handle without a window.
  virtual String windowText(int32_t handle) = 0;
  virtual bool setWindowText(int32_t handle, const String& text) = 0;
  // Asks a window to close, as its close box does: it may refuse. A Qt window gets a close
  // event at once; another process's window gets the request through the window manager (or
  // directly, without one). True when the request was delivered.
  virtual bool requestClose(int32_t handle) = 0;

  static IWindows& current();
  static IWindows* exchangeCurrent(IWindows* replacement);
};

}  // namespace lv8int
