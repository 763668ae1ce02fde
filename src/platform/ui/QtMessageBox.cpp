#include "platform/ui/QtMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "platform/ui/MessageBoxStyle.h"
#include "platform/ui/NonInteractiveUi.h"
#include "platform/ui/UiLanguage.h"
#include "platform/ui/UiSupport.h"

namespace lv8int {

namespace {

// A box without a Cancel button and with more than one button (Yes/No, Abort/Retry/Ignore)
// must be answered with a button: closing it and the Escape key do nothing.
class AnswerOnlyMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;
  bool closable = true;

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (closable) QMessageBox::closeEvent(e);
    else e->ignore();
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (!closable && e->matches(QKeySequence::Cancel)) {
      e->accept();
      return;
    }
    QMessageBox::keyPressEvent(e);
  }
};

// The library's own texts of the standard buttons, for a language Qt's own texts do not speak.
const char* ownText(int32_t result) {
  switch (result) {
    case msgbox::IDOK: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "OK");
    case msgbox::IDCANCEL: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "Cancel");
    case msgbox::IDABORT: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "Abort");
    case msgbox::IDRETRY: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "Retry");
    case msgbox::IDIGNORE: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "Ignore");
    case msgbox::IDYES: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "&Yes");
    case msgbox::IDNO: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "&No");
    case msgbox::IDTRYAGAIN: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "&Try Again");
    case msgbox::IDCONTINUE: return QT_TRANSLATE_NOOP("lv8int::QtMessageBox", "&Continue");
    default: return nullptr;
  }
}

QString translated(int32_t result) { return QCoreApplication::translate("lv8int::QtMessageBox", ownText(result)); }

QAbstractButton* addStandardButton(QMessageBox& box, int32_t result) {
  switch (result) {
    case msgbox::IDOK: return box.addButton(QMessageBox::Ok);
    case msgbox::IDCANCEL: return box.addButton(QMessageBox::Cancel);
    case msgbox::IDABORT: return box.addButton(QMessageBox::Abort);
    case msgbox::IDRETRY: return box.addButton(QMessageBox::Retry);
    case msgbox::IDIGNORE: return box.addButton(QMessageBox::Ignore);
    case msgbox::IDYES: return box.addButton(QMessageBox::Yes);
    case msgbox::IDNO: return box.addButton(QMessageBox::No);
    // Buttons Qt has no standard one for.
    case msgbox::IDTRYAGAIN:
    case msgbox::IDCONTINUE: return box.addButton(translated(result), QMessageBox::AcceptRole);
    default: return nullptr;
  }
}

// A button in the suite's language: a standard button keeps its identity
// (box.button(QMessageBox::Yes) finds it) and Qt's own text when Qt speaks the language, else
// it takes the library's translation.
QAbstractButton* addButton(QMessageBox& box, int32_t result) {
  QAbstractButton* b = addStandardButton(box, result);
  if (b && !ui::qtTextsTranslated()) b->setText(translated(result));
  return b;
}

QMessageBox::Icon qtIcon(msgbox::Icon icon) {
  switch (icon) {
    case msgbox::Icon::Critical: return QMessageBox::Critical;
    case msgbox::Icon::Question: return QMessageBox::Question;
    case msgbox::Icon::Exclamation: return QMessageBox::Warning;
    case msgbox::Icon::Information: return QMessageBox::Information;
    case msgbox::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int32_t QtMessageBox::show(const String& text, int32_t style,
                           const std::optional<String>& caption) {
  const msgbox::Layout layout = msgbox::decode(style);  // raises before anything is shown
  if (!ui::canShowWidgets()) return NonInteractiveUi().show(text, style, caption);
  ui::applyUiLanguage();

  AnswerOnlyMessageBox box(QApplication::activeWindow());
  box.setObjectName(QStringLiteral("lv8MessageBox"));
  box.setWindowTitle(QString::fromStdU16String(caption ? *caption : ui::defaultCaption()));
  // Messages quote names in angle brackets; they are never markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdU16String(text));
  box.setIcon(qtIcon(layout.icon));
  if (layout.topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

  std::map<QAbstractButton*, int32_t> results;
  std::vector<QAbstractButton*> buttons;
  for (int32_t r : layout.buttons) {
    QAbstractButton* b = addButton(box, r);
    results[b] = r;
    buttons.push_back(b);
  }
  if (auto* def = qobject_cast<QPushButton*>(buttons[static_cast<size_t>(layout.defaultIndex)]))
    box.setDefaultButton(def);
  if (layout.closeResult != 0) {
    for (size_t i = 0; i < buttons.size(); ++i)
      if (layout.buttons[i] == layout.closeResult) box.setEscapeButton(buttons[i]);
  } else {
    box.closable = false;
  }

  box.exec();
  const auto it = results.find(box.clickedButton());
  if (it != results.end()) return it->second;
  // The box went away without a button (its parent closed it): answer as closing does.
  return layout.closeResult != 0 ? layout.closeResult : layout.buttons[static_cast<size_t>(layout.defaultIndex)];
}

}  // namespace lv8int
