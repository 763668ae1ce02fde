#include "platform/windows/WindowRegistry.h"

#include <QThread>
#include <QWidget>
#include <limits>

namespace lv8int {

WindowRegistry& WindowRegistry::instance() {
  // Never destroyed: widgets may report their end after static destructors ran.
  static WindowRegistry* registry = new WindowRegistry;
  return *registry;
}

int32_t WindowRegistry::allocate() {
  for (;;) {
    const int32_t h = next_;
    next_ = next_ == std::numeric_limits<int32_t>::max() ? 0x10000 : next_ + 1;
    if (!byHandle_.contains(h)) return h;
  }
}

int32_t WindowRegistry::handleOf(QWidget* widget) {
  if (!widget) return 0;
  const std::thread::id self = std::this_thread::get_id();
  {
    std::lock_guard lock(mutex_);
    if (auto it = byWidget_.find(widget); it != byWidget_.end())
      return byHandle_.at(it->second).owner == self ? it->second : 0;
  }
  // Only the widget's own thread may give it a handle. The caller holds the widget, so asking
  // for its thread is safe; the answer is read atomically.
  if (widget->thread() != QThread::currentThread()) return 0;
  int32_t handle;
  {
    std::lock_guard lock(mutex_);
    if (auto it = byWidget_.find(widget); it != byWidget_.end()) return it->second;
    handle = allocate();
    byHandle_[handle] = Entry{widget, self, 0};
    byWidget_[widget] = handle;
  }
  // The entry goes with the widget, so that a new widget at the same address gets a new handle.
  QObject::connect(widget, &QObject::destroyed, [this, handle] { forget(handle); });
  return handle;
}

void WindowRegistry::forget(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = byHandle_.find(handle);
  if (it == byHandle_.end()) return;
  byWidget_.erase(it->second.widget);
  byHandle_.erase(it);
}

QWidget* WindowRegistry::widget(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = byHandle_.find(handle);
  if (it == byHandle_.end() || it->second.owner != std::this_thread::get_id()) return nullptr;
  return it->second.widget;
}

int32_t WindowRegistry::handleOfForeign(uint64_t windowId) {
  if (windowId == 0) return 0;
  std::lock_guard lock(mutex_);
  if (auto it = byForeign_.find(windowId); it != byForeign_.end()) return it->second;
  const int32_t handle = allocate();
  byHandle_[handle] = Entry{nullptr, {}, windowId};
  byForeign_[windowId] = handle;
  return handle;
}

std::optional<uint64_t> WindowRegistry::foreign(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = byHandle_.find(handle);
  if (it == byHandle_.end() || it->second.widget) return std::nullopt;
  return it->second.foreignId;
}

}  // namespace lv8int
