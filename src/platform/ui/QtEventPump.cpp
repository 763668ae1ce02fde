#include "platform/ui/QtEventPump.h"

#include <QCoreApplication>

namespace lv8int {

void QtEventPump::processPendingEvents() {
  // Without an application there is no event loop to serve (a command-line tool).
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace lv8int
