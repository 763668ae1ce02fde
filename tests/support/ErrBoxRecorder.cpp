#include "support/ErrBoxRecorder.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "resources/ErrBoxDialog.h"

namespace lv8int::test {

ErrBoxRecorder::ErrBoxRecorder() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<ErrBoxDialog*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back({box->windowTitle(), box->txtDescription->toPlainText(),
                     QString::fromStdU16String(ErrBoxDialog::boxText(box->txtDetail)),
                     box->heightTwips() == ErrBoxDialog::kCollapsedHeight});
    QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  timer_.start();
}

}  // namespace lv8int::test
