#include "platform/ui/UiSupport.h"

#include <QApplication>
#include <QThread>
#include <cerrno>

namespace lv8int::ui {

bool canShowWidgets() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app && QThread::currentThread() == app->thread();
}

String defaultCaption() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    const QString name = QGuiApplication::applicationDisplayName();
    if (!name.isEmpty()) return name.toStdU16String();
  }
  return fromUtf8(program_invocation_short_name);
}

}  // namespace lv8int::ui
