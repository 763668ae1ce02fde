#include "platform/windows/LinuxWindows.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <unistd.h>

#include "platform/windows/WindowRegistry.h"
#include "platform/windows/X11Windows.h"

namespace lv8int {

namespace {

// A widget may only be touched from its own thread; the registry hands out no other.
QWidget* usable(int32_t handle) { return WindowRegistry::instance().widget(handle); }

// Qt's list of top-level widgets belongs to the thread of the application object: read from
// any other thread it races with the widgets being made and deleted there.
bool onApplicationThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<QApplication*>(app) && app->thread() == QThread::currentThread();
}

bool isOwnedWindow(QWidget* w) { return w->parentWidget() != nullptr; }

}  // namespace

int32_t LinuxWindows::handleOf(QWidget* widget) { return WindowRegistry::instance().handleOf(widget); }

QWidget* LinuxWindows::widgetOf(int32_t handle) { return WindowRegistry::instance().widget(handle); }

bool LinuxWindows::isWindow(int32_t handle) {
  if (usable(handle)) return true;
  const auto id = WindowRegistry::instance().foreign(handle);
  return id && X11Windows::instance().exists(*id);
}

std::vector<int32_t> LinuxWindows::topLevelWindows() {
  std::vector<int32_t> out;
  if (!onApplicationThread()) return out;
  // Qt keeps no stacking order: the active window first, then the visible ones, then the hidden.
  QWidget* active = QApplication::activeWindow();
  if (active) out.push_back(handleOf(active));
  std::vector<int32_t> hidden;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == active || !w->isWindow() || w->windowType() == Qt::Desktop) continue;
    (w->isVisible() ? out : hidden).push_back(handleOf(w));
  }
  out.insert(out.end(), hidden.begin(), hidden.end());
  return out;
}

std::vector<int32_t> LinuxWindows::processWindows(int64_t processId) {
  if (processId == static_cast<int64_t>(::getpid())) return topLevelWindows();
  std::vector<int32_t> out;
  for (uint64_t id : X11Windows::instance().clientWindows(processId))
    out.push_back(WindowRegistry::instance().handleOfForeign(id));
  return out;
}

int32_t LinuxWindows::mainWindowOf(int64_t processId) {
  if (processId == static_cast<int64_t>(::getpid())) {
    for (int32_t h : topLevelWindows())
      if (QWidget* w = widgetOf(h); w && !isOwnedWindow(w)) return h;
    return 0;
  }
  for (uint64_t id : X11Windows::instance().clientWindows(processId))
    if (!X11Windows::instance().hasOwner(id)) return WindowRegistry::instance().handleOfForeign(id);
  return 0;
}

std::optional<WindowRect> LinuxWindows::windowRect(int32_t handle) {
  if (QWidget* w = usable(handle)) {
    QRect r;
    if (w->isWindow()) r = w->frameGeometry();
    else r = QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    return WindowRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
  }
  if (const auto id = WindowRegistry::instance().foreign(handle))
    return X11Windows::instance().frameRect(*id);
  return std::nullopt;
}

bool LinuxWindows::moveWindow(int32_t handle, int32_t x, int32_t y, int32_t width,
                              int32_t height, bool repaint) {
  if (QWidget* w = usable(handle)) {
    if (w->isWindow()) {
      // Position and size are the frame's; Qt sizes the client area.
      const QSize frameExtra = w->frameGeometry().size() - w->geometry().size();
      w->move(x, y);
      w->resize(std::max(0, width - frameExtra.width()), std::max(0, height - frameExtra.height()));
    } else {
      w->setGeometry(x, y, std::max(0, width), std::max(0, height));
    }
    if (repaint && w->isVisible()) w->repaint();
    return true;
  }
  if (const auto id = WindowRegistry::instance().foreign(handle))
    return X11Windows::instance().moveFrame(*id, x, y, width, height);
  return false;
}

bool LinuxWindows::enableWindow(int32_t handle, bool enable) {
  QWidget* w = usable(handle);
  if (!w) return false;  // another process's input cannot be switched off from here
  const bool wasDisabled = !w->isEnabled();
  w->setEnabled(enable);
  return wasDisabled;
}

bool LinuxWindows::isWindowEnabled(int32_t handle) {
  if (QWidget* w = usable(handle)) return w->isEnabled();
  // Another process's window cannot be disabled from here; a Qt window of another thread is
  // no window to this one.
  return isWindow(handle);
}

String LinuxWindows::windowText(int32_t handle) {
  if (QWidget* w = usable(handle)) return w->windowTitle().toStdU16String();
  if (const auto id = WindowRegistry::instance().foreign(handle))
    return X11Windows::instance().name(*id).value_or(String());
  return {};
}

bool LinuxWindows::setWindowText(int32_t handle, const String& text) {
  if (QWidget* w = usable(handle)) {
    w->setWindowTitle(QString::fromStdU16String(text));
    return true;
  }
  if (const auto id = WindowRegistry::instance().foreign(handle))
    return X11Windows::instance().setName(*id, text);
  return false;
}

bool LinuxWindows::requestClose(int32_t handle) {
  if (QWidget* w = usable(handle)) {
    w->close();  // the window's close event may refuse
    return true;
  }
  if (const auto id = WindowRegistry::instance().foreign(handle))
    return X11Windows::instance().requestClose(*id);
  return false;
}

}  // namespace lv8int
