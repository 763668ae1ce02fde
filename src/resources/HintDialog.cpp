#include "resources/HintDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

#include "resources/FormSupport.h"

namespace lv8int {

HintDialog::HintDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  using forms::pxRect;
  setObjectName(QStringLiteral("frmHint"));
  setFont(forms::formFont());
  setModal(true);
  setWindowTitle(QStringLiteral("提示"));
  setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this));
  setFixedSize(forms::px(kClientWidth), forms::px(kClientHeight));

  txtMsg = new forms::PasteGuardEdit(this);
  txtMsg->setObjectName(QStringLiteral("txtMsg"));
  txtMsg->setGeometry(pxRect(156, 132, 4704, 1800));
  txtMsg->setTabChangesFocus(true);

  chkNextDontShow = new QCheckBox(QStringLiteral("下次不再显示此提示(&N)"), this);
  chkNextDontShow->setObjectName(QStringLiteral("chkNextDontShow"));
  chkNextDontShow->setGeometry(pxRect(1368, 2160, 2268, 276));

  cmdOK = new QPushButton(QStringLiteral("确定(&O)"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(pxRect(1878, 2484, 1248, 348));
  cmdOK->setDefault(true);

  setTabOrder(txtMsg, chkNextDontShow);
  setTabOrder(chkNextDontShow, cmdOK);

  connect(cmdOK, &QPushButton::clicked, this, &QWidget::hide);
}

void HintDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  cmdOK->click();
}

void HintDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A modal window takes the keyboard where no window manager hands it over.
  activateWindow();
}

}  // namespace lv8int
