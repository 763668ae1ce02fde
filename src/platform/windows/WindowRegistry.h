#pragma once
// The process-wide table of window handles: one handle per QWidget for as long as it lives,
// and one per foreign (X11) window looked up. Handles are never reused within a process run.
//
// Any thread may ask the table; a widget is only handed to its own thread. Another thread
// learns nothing of it (no handle, no widget), so no thread ever touches a widget that its own
// thread may be deleting at that moment.
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

class QWidget;

namespace lv8int {

class WindowRegistry {
 public:
  static WindowRegistry& instance();

  // The widget's handle, made on first request; 0 for null and for a widget of another thread.
  int32_t handleOf(QWidget* widget);
  // The live widget of a handle when it belongs to the calling thread, or null.
  QWidget* widget(int32_t handle);

  int32_t handleOfForeign(uint64_t windowId);
  std::optional<uint64_t> foreign(int32_t handle);

 private:
  WindowRegistry() = default;
  int32_t allocate();
  void forget(int32_t handle);

  struct Entry {
    QWidget* widget = nullptr;  // null for a foreign window; never dereferenced here
    std::thread::id owner;      // the widget's thread
    uint64_t foreignId = 0;
  };
  std::mutex mutex_;
  std::unordered_map<int32_t, Entry> byHandle_;
  std::unordered_map<const QWidget*, int32_t> byWidget_;
  std::unordered_map<uint64_t, int32_t> byForeign_;
  int32_t next_ = 0x10000;
};

}  // namespace lv8int
