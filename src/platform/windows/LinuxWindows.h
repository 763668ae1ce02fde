#pragma once
// The Linux window service: QWidgets of this process through WindowRegistry, windows of other
// processes through X11Windows.
#include "platform/windows/IWindows.h"

namespace lv8int {

class LinuxWindows : public IWindows {
 public:
  int32_t handleOf(QWidget* widget) override;
  QWidget* widgetOf(int32_t handle) override;
  bool isWindow(int32_t handle) override;
  std::vector<int32_t> topLevelWindows() override;
  std::vector<int32_t> processWindows(int64_t processId) override;
  int32_t mainWindowOf(int64_t processId) override;
  std::optional<WindowRect> windowRect(int32_t handle) override;
  bool moveWindow(int32_t handle, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool repaint) override;
  bool enableWindow(int32_t handle, bool enable) override;
  bool isWindowEnabled(int32_t handle) override;
  String windowText(int32_t handle) override;
  bool setWindowText(int32_t handle, const String& text) override;
  bool requestClose(int32_t handle) override;
};

}  // namespace lv8int
