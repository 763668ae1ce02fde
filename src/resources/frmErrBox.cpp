#include "resources/frmErrBox.h"

#include <QApplication>
#include <QPushButton>
#include <iostream>
#include <memory>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/automation/Conversions.h"
#include "platform/ui/UiSupport.h"
#include "resources/ErrBoxDialog.h"
#include "resources/FormSupport.h"

namespace lv8int {

frmErrBox& frmErrBox::shared() {
  thread_local frmErrBox form;
  return form;
}

frmErrBox::~frmErrBox() {
  // At the end of a thread that outlived its QApplication the window system is gone; the
  // dialog is then left to the process's end.
  if (dialog_ && QCoreApplication::instance()) delete dialog_;
}

ErrBoxDialog* frmErrBox::dialog() {
  if (!dialog_ && ui::canShowWidgets()) dialog_ = new ErrBoxDialog();
  return dialog_;
}

void frmErrBox::unload() {
  if (!dialog_) return;
  delete dialog_;
  dialog_ = nullptr;
}

String frmErrBox::detailText(int32_t ErrNum, const String& ErrSrc, const String& ErrDes) {
  return u"错误号：" + toString(ErrNum) + u"\r\n错误源：" + ErrSrc + u"\r\n描  述：" + ErrDes;
}

int32_t frmErrBox::iconOfStyle(int32_t style) {
  switch (style & 112) {
    case 32: return 32514;
    case 48: return 32515;
    case 64: return 32516;
    default: return 32513;
  }
}

void frmErrBox::fill(ErrBoxDialog& box, int32_t ErrNum, const String& ErrSrc, const String& ErrDes,
                     const Variant& Buttons, const Variant& Title) {
  // Every step goes on after a failure of the one before.
  try {
    const String caption = Title.isMissing() ? GZRGNTUtil::sharedApplication()->Title() : CStr(Title);
    box.setWindowTitle(QString::fromStdU16String(caption));
  } catch (...) {
  }
  try {
    box.setSystemIcon(iconOfStyle(Buttons.isMissing() ? 16 : CLng(Buttons)));
  } catch (...) {
  }
  ErrBoxDialog::setBoxText(box.txtDescription, ErrDes);
  ErrBoxDialog::setBoxText(box.txtDetail, detailText(ErrNum, ErrSrc, ErrDes));
  box.setHeightTwips(ErrBoxDialog::kCollapsedHeight);
  box.cmdDetail->setEnabled(true);
}

int32_t frmErrBox::Action(int32_t ErrNum, const String& ErrSrc, const String& ErrDes, const Variant& Buttons,
                          const Variant& Title, const Variant& /*HelpFile*/, const Variant& /*Context*/) {
  if (!ui::canShowWidgets()) {
    // No window can be shown here: what the box would show goes to standard error.
    String caption;
    try {
      caption = Title.isMissing() ? GZRGNTUtil::sharedApplication()->Title() : CStr(Title);
    } catch (...) {
    }
    std::cerr << "[error box] " << toUtf8(caption) << ": " << toUtf8(ErrDes) << "\n"
              << toUtf8(detailText(ErrNum, ErrSrc, ErrDes)) << "\n[buttons: 关闭] (no interactive display)"
              << std::endl;
    return 1;
  }

  // A box asked for while the shared one is open (from a timer, say) gets a box of its own,
  // so that neither error is lost.
  std::unique_ptr<ErrBoxDialog> extra;
  ErrBoxDialog* box = dialog();
  if (box->isVisible()) {
    extra = std::make_unique<ErrBoxDialog>();
    box = extra.get();
  }
  fill(*box, ErrNum, ErrSrc, ErrDes, Buttons, Title);
  box->resetCloseBox();
  forms::centreOver(box, QApplication::activeWindow());
  box->cmdClose->setFocus();
  box->exec();
  if (!extra && box->closedByCloseBox()) unload();
  return 1;
}

}  // namespace lv8int
