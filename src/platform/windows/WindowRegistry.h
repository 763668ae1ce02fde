#pragma once
// The process-wide table of window handles: one handle per QWidget for as long as it lives,
// and one per foreign (X11) window looked up. Handles are never reused within a process run.
#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

class QWidget;

namespace lv8int {

class WindowRegistry {
 public:
  static WindowRegistry& instance();

  // The widget's handle, made on first request; 0 for null.
  int32_t handleOf(QWidget* widget);
  // The live widget of a handle, or null.
  QWidget* widget(int32_t handle);

  int32_t handleOfForeign(uint64_t windowId);
  std::optional<uint64_t> foreign(int32_t handle);

 private:
  WindowRegistry() = default;
  int32_t allocate();
  void forget(int32_t handle);

  struct Entry {
    QWidget* widget = nullptr;  // null for a foreign window
    uint64_t foreignId = 0;
  };
  std::mutex mutex_;
  std::unordered_map<int32_t, Entry> byHandle_;
  std::unordered_map<const QWidget*, int32_t> byWidget_;
  std::unordered_map<uint64_t, int32_t> byForeign_;
  int32_t next_ = 0x10000;
};

}  // namespace lv8int
