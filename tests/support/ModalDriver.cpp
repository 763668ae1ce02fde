#include "support/ModalDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <memory>

namespace lv8int::test {

namespace {

void poll(std::shared_ptr<std::function<void(QWidget*)>> action, int remainingMs, int timeoutMs) {
  QTimer::singleShot(10, [action, remainingMs, timeoutMs] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (remainingMs <= 0) ADD_FAILURE() << "no modal dialog was shown";
      else poll(action, remainingMs - 10, timeoutMs);
      return;
    }
    QPointer<QWidget> dialog(modal);
    (*action)(modal);
    // Whatever the action left open is closed by force after the timeout.
    QTimer::singleShot(timeoutMs, [dialog] {
      if (dialog && dialog->isVisible()) {
        ADD_FAILURE() << "the modal dialog was left open";
        if (auto* d = qobject_cast<QDialog*>(dialog.data())) d->done(QDialog::Rejected);
        else dialog->hide();
      }
    });
  });
}

}  // namespace

void whenModalShown(std::function<void(QWidget*)> action, int timeoutMs) {
  poll(std::make_shared<std::function<void(QWidget*)>>(std::move(action)), timeoutMs, timeoutMs);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace lv8int::test
