#include "resources/ErrBoxDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

#include "resources/FormSupport.h"

namespace lv8int {

namespace {

// The detail box selects its whole text whenever it gains focus.
class DetailEdit : public forms::PasteGuardEdit {
 public:
  using PasteGuardEdit::PasteGuardEdit;

 protected:
  void focusInEvent(QFocusEvent* e) override {
    PasteGuardEdit::focusInEvent(e);
    selectAll();
  }
};

QStyle::StandardPixmap pixmapOf(int32_t iconID) {
  switch (iconID) {
    case 32514: return QStyle::SP_MessageBoxQuestion;
    case 32515: return QStyle::SP_MessageBoxWarning;
    case 32516: return QStyle::SP_MessageBoxInformation;
    default: return QStyle::SP_MessageBoxCritical;
  }
}

}  // namespace

ErrBoxDialog::ErrBoxDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  using forms::pxRect;
  setObjectName(QStringLiteral("frmErrBox"));
  setFont(forms::formFont());
  setModal(true);

  imgImage = new QLabel(this);
  imgImage->setObjectName(QStringLiteral("imgImage"));
  imgImage->setGeometry(pxRect(135, 90, 480, 480));
  imgImage->setAlignment(Qt::AlignCenter);

  txtDescription = new forms::PasteGuardEdit(this);
  txtDescription->setObjectName(QStringLiteral("txtDescription"));
  txtDescription->setGeometry(pxRect(756, 156, 3564, 1128));

  cmdClose = new QPushButton(QStringLiteral("关闭"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  cmdClose->setGeometry(pxRect(4548, 120, 1212, 300));
  cmdClose->setDefault(true);

  cmdDetail = new QPushButton(QStringLiteral("详细信息..."), this);
  cmdDetail->setObjectName(QStringLiteral("cmdDetail"));
  cmdDetail->setGeometry(pxRect(4548, 504, 1212, 300));

  txtDetail = new DetailEdit(this);
  txtDetail->setObjectName(QStringLiteral("txtDetail"));
  txtDetail->setGeometry(pxRect(120, 1428, 5712, 1512));

  for (QPlainTextEdit* box : {txtDescription, txtDetail}) {
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  }
  setTabOrder(cmdClose, cmdDetail);
  setTabOrder(cmdDetail, txtDescription);
  setTabOrder(txtDescription, txtDetail);

  connect(cmdClose, &QPushButton::clicked, this, &ErrBoxDialog::cmdCloseClick);
  connect(cmdDetail, &QPushButton::clicked, this, &ErrBoxDialog::cmdDetailClick);

  setSystemIcon(systemIcon_);
  setHeightTwips(kCollapsedHeight);
}

void ErrBoxDialog::setHeightTwips(int twips) {
  heightTwips_ = twips;
  setFixedSize(forms::px(kClientWidth), forms::px(twips - kNonClientHeight));
}

void ErrBoxDialog::setSystemIcon(int32_t iconID) {
  systemIcon_ = iconID;
  const QIcon icon = QApplication::style()->standardIcon(pixmapOf(iconID), nullptr, this);
  imgImage->setPixmap(icon.pixmap(imgImage->size()));
}

void ErrBoxDialog::cmdCloseClick() { hide(); }

void ErrBoxDialog::cmdDetailClick() {
  setHeightTwips(kExpandedHeight);
  cmdDetail->setEnabled(false);
}

void ErrBoxDialog::closeEvent(QCloseEvent* event) {
  // The close box (or any other close request) acts as Close; the form is then unloaded
  // (see frmErrBox::Action).
  closedByCloseBox_ = true;
  cmdClose->click();
  event->accept();
}

void ErrBoxDialog::reject() { cmdClose->click(); }

String ErrBoxDialog::boxText(const QPlainTextEdit* box) {
  return box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdU16String();
}

void ErrBoxDialog::setBoxText(QPlainTextEdit* box, const String& text) {
  QString shown = QString::fromStdU16String(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box->setPlainText(shown);
}

void ErrBoxDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A modal window takes the keyboard where no window manager hands it over.
  activateWindow();
}

}  // namespace lv8int
