#include "platform/ui/QtMessageBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <map>

#include "platform/automation/AutomationError.h"
#include "platform/ui/MessageBoxStyle.h"
#include "platform/ui/UiLanguage.h"
#include "support/LanguageScope.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"

using namespace lv8int;
using namespace lv8int::msgbox;

namespace {

QAbstractButton* buttonFor(QMessageBox* box, int32_t result) {
  static const std::map<int32_t, QMessageBox::StandardButton> standard = {
      {IDOK, QMessageBox::Ok},     {IDCANCEL, QMessageBox::Cancel}, {IDABORT, QMessageBox::Abort},
      {IDRETRY, QMessageBox::Retry}, {IDIGNORE, QMessageBox::Ignore}, {IDYES, QMessageBox::Yes},
      {IDNO, QMessageBox::No}};
  if (auto it = standard.find(result); it != standard.end()) return box->button(it->second);
  const QString label = QCoreApplication::translate("lv8int::QtMessageBox", result == IDTRYAGAIN ? "&Try Again" : "&Continue");
  for (QAbstractButton* b : box->buttons())
    if (b->text() == label) return b;
  return nullptr;
}

// Shows a box with `style` and lets `act` answer it.
int32_t showAnd(int32_t style, std::function<void(QMessageBox*)> act,
                const std::optional<String>& caption = u"标题") {
  test::whenModalShown([act](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    act(box);
  });
  return QtMessageBox().show(u"文本", style, caption);
}

}  // namespace

TEST(QtMessageBox, EachButtonOfEachSetAnswersItsResultCode) {
  const std::map<int32_t, std::vector<int32_t>> sets = {
      {MB_OK, {IDOK}},
      {MB_OKCANCEL, {IDOK, IDCANCEL}},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
      {MB_YESNO, {IDYES, IDNO}},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
      {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}}};
  for (const auto& entry : sets) {
    const int32_t set = entry.first;
    const std::vector<int32_t>& results = entry.second;
    for (int32_t expected : results) {
      const int32_t got = showAnd(set, [&, expected](QMessageBox* box) {
        EXPECT_EQ(box->buttons().size(), static_cast<qsizetype>(results.size())) << "set " << set;
        QAbstractButton* b = buttonFor(box, expected);
        ASSERT_NE(b, nullptr) << "set " << set << " lacks the button for " << expected;
        QTest::mouseClick(b, Qt::LeftButton);
      });
      EXPECT_EQ(got, expected) << "set " << set;
    }
  }
}

TEST(QtMessageBox, StandardButtonsSpeakTheSuitesLanguage) {
  struct Case {
    const char* language;  // LV8INT_LANGUAGE, null for unset
    QString yes, no;
  };
  const Case cases[] = {
      {nullptr, "是", "否"},      // Chinese, from Qt's translation or the library's own
      {"zh_CN", "是", "否"},
      {"en", "&Yes", "&No"},
      {"xx", "&Yes", "&No"},      // no translation anywhere: the English texts
  };
  for (const Case& c : cases) {
    test::LanguageScope language(c.language);
    SCOPED_TRACE(language.name());
    QString yes, no;
    const int32_t got = showAnd(MB_YESNO, [&](QMessageBox* box) {
      // The buttons stay Qt's standard ones, whatever their text.
      ASSERT_TRUE(box->button(QMessageBox::Yes) && box->button(QMessageBox::No));
      yes = box->button(QMessageBox::Yes)->text();
      no = box->button(QMessageBox::No)->text();
      QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    EXPECT_EQ(got, IDNO);
    EXPECT_TRUE(yes.startsWith(c.yes)) << yes.toStdString();
    EXPECT_TRUE(no.startsWith(c.no)) << no.toStdString();
  }
  // Where Qt has no Chinese texts installed the library's own serve.
  test::LanguageScope chinese("zh_CN");
  ui::applyUiLanguage();
  EXPECT_EQ(QCoreApplication::translate("lv8int::QtMessageBox", "&Yes"), QStringLiteral("是(&Y)"));
  EXPECT_EQ(QCoreApplication::translate("lv8int::QtMessageBox", "Cancel"), QStringLiteral("取消"));
}

TEST(QtMessageBox, EnterChoosesTheDefaultButtonCountedInTheSetsOwnOrder) {
  auto enter = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); };
  EXPECT_EQ(showAnd(MB_YESNOCANCEL, enter), IDYES);
  EXPECT_EQ(showAnd(MB_YESNOCANCEL | MB_DEFBUTTON2, enter), IDNO);
  EXPECT_EQ(showAnd(MB_YESNOCANCEL | MB_DEFBUTTON3, enter), IDCANCEL);
  EXPECT_EQ(showAnd(MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, enter), IDIGNORE);
  // A default button beyond the last button is the first one.
  EXPECT_EQ(showAnd(MB_OKCANCEL | MB_DEFBUTTON3, enter), IDOK);
  EXPECT_EQ(showAnd(MB_YESNO | MB_DEFBUTTON4, enter), IDYES);
}

TEST(QtMessageBox, ClosingAnswersCancelOrOkAndIsRefusedWithoutEither) {
  auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
  auto closeBox = [](QMessageBox* box) { box->close(); };
  EXPECT_EQ(showAnd(MB_OKCANCEL | MB_DEFBUTTON1, escape), IDCANCEL);
  EXPECT_EQ(showAnd(MB_YESNOCANCEL, closeBox), IDCANCEL);
  EXPECT_EQ(showAnd(MB_RETRYCANCEL, closeBox), IDCANCEL);
  EXPECT_EQ(showAnd(MB_CANCELTRYCONTINUE | MB_DEFBUTTON2, escape), IDCANCEL);
  EXPECT_EQ(showAnd(MB_OK, closeBox), IDOK);
  EXPECT_EQ(showAnd(MB_OK, escape), IDOK);

  // Yes/No and Abort/Retry/Ignore must be answered with a button.
  for (int32_t set : {MB_YESNO, MB_ABORTRETRYIGNORE}) {
    const int32_t last = set == MB_YESNO ? IDNO : IDIGNORE;
    const int32_t got = showAnd(set, [last](QMessageBox* box) {
      box->close();
      QTest::keyClick(box, Qt::Key_Escape);
      QApplication::processEvents();
      EXPECT_TRUE(box->isVisible()) << "closing the box was not refused";
      QTest::mouseClick(buttonFor(box, last), Qt::LeftButton);
    });
    EXPECT_EQ(got, last);
  }
}

TEST(QtMessageBox, IconCaptionAndPlainText) {
  const std::map<int32_t, QMessageBox::Icon> icons = {
      {0, QMessageBox::NoIcon},         {MB_ICONCRITICAL, QMessageBox::Critical},
      {MB_ICONQUESTION, QMessageBox::Question}, {MB_ICONEXCLAMATION, QMessageBox::Warning},
      {MB_ICONINFORMATION, QMessageBox::Information}, {80, QMessageBox::NoIcon}};
  for (const auto& [bitsOf, iconOf] : icons) {
    showAnd(MB_OK | bitsOf, [icon = iconOf, bits = bitsOf](QMessageBox* box) {
      EXPECT_EQ(box->icon(), icon) << "icon bits " << bits;
      box->close();
    });
  }

  // Names in angle brackets are shown as written, not taken for markup.
  test::whenModalShown([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), QStringLiteral("对象<b>LV8DBE.CDatabaseEngine</b>不能创建"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("总账"));
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    box->close();
  });
  QtMessageBox().show(u"对象<b>LV8DBE.CDatabaseEngine</b>不能创建", MB_TOPMOST, u"总账");

  // No caption: the program's name.
  const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  showAnd(MB_OK, [program](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), program);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    box->close();
  }, std::nullopt);
}

TEST(QtMessageBox, UnknownButtonSetRaises5WithoutShowingAnything) {
  for (int32_t set : {7, 15}) {
    EXPECT_EQ(test::raisedError([&] { QtMessageBox().show(u"x", set); }).number(), err::InvalidProcedureCall) << set;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}
