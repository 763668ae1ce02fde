#include "platform/windows/WindowStyle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdlib>
#include <string>

namespace lv8int::windowstyle {

namespace {

bool affects(const QWidget* w) {
  if (!w->isWindow()) return false;
  switch (w->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
      return false;
    default:
      return true;
  }
}

// Waits for the first top-level window to be shown, applies the style to it and goes away. The
// show event arrives before the window system shows the window, and after Qt settled the state
// the window is shown in (a state set earlier, while it is polished, is reverted).
class FirstWindowStyler : public QObject {
 public:
  explicit FirstWindowStyler(int32_t style) : style_(style) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* w = static_cast<QWidget*>(watched);
      if (affects(w)) {
        applyToWindow(w, style_);
        QCoreApplication::instance()->removeEventFilter(this);
        deleteLater();
      }
    }
    return false;
  }

 private:
  int32_t style_;
};

}  // namespace

bool applyToWindow(QWidget* window, int32_t style) {
  Qt::WindowStates state = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  bool activate = true;
  switch (style) {
    case SW_HIDE:
      // A show cannot be refused; the window is hidden again as soon as it has been shown.
      QMetaObject::invokeMethod(window, &QWidget::hide, Qt::QueuedConnection);
      return true;
    case SW_SHOWNORMAL: case SW_SHOW: case SW_RESTORE: case SW_SHOWDEFAULT: break;
    case SW_SHOWMINIMIZED: state |= Qt::WindowMinimized; break;
    case SW_SHOWMAXIMIZED: state |= Qt::WindowMaximized; break;
    case SW_SHOWNOACTIVATE: case SW_SHOWNA: activate = false; break;
    case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: state |= Qt::WindowMinimized; activate = false; break;
    default: return false;
  }
  window->setWindowState(state);
  window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
  return true;
}

void applyFromEnvironment() {
  const char* value = std::getenv(kEnvironmentVariable);
  if (!value) return;
  const std::string text = value;
  unsetenv(kEnvironmentVariable);
  char* end = nullptr;
  const long style = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || style < SW_HIDE || style > SW_SHOWDEFAULT) return;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  QCoreApplication::instance()->installEventFilter(new FirstWindowStyler(static_cast<int32_t>(style)));
}

}  // namespace lv8int::windowstyle

// A program that loads this library picks its window style up when its application starts.
static void lv8intApplyWindowStyle() { lv8int::windowstyle::applyFromEnvironment(); }
Q_COREAPP_STARTUP_FUNCTION(lv8intApplyWindowStyle)
