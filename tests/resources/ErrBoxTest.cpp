// The error box driven offscreen: the result, the detail pane, the close box, paste refused,
// and ERB by name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "platform/automation/Dispatch.h"
#include "resources/ErrBoxDialog.h"
#include "resources/GFrontEnd.h"
#include "resources/frmErrBox.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"
#include "support/TitledApp.h"

using namespace lv8int;
using lv8int::test::whenModalShown;

namespace {

ErrBoxDialog* asBox(QWidget* w) {
  auto* box = qobject_cast<ErrBoxDialog*>(w);
  EXPECT_NE(box, nullptr) << "the modal window is not the error box";
  return box;
}

bool detailInsideClientArea(const ErrBoxDialog& box) {
  return box.txtDetail->geometry().bottom() < box.height();
}

int32_t erb(int32_t n, const String& src, const String& des, const Variant& buttons = Variant::missing(),
            const Variant& title = Variant(u"Box title")) {
  return make<GFrontEnd>()->ERB(n, src, des, buttons, title);
}

}  // namespace

// The box's own expectations run while it is shown; `shown` says they ran.
TEST(ErrBox, ShowsTheErrorCollapsedAndReturnsOneAfterClose) {
  bool shown = false;
  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* box = asBox(w);
    if (!box) return;
    shown = true;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Box title"));
    EXPECT_EQ(box->txtDescription->toPlainText(), QStringLiteral("Desc"));
    EXPECT_EQ(QString::fromStdU16String(ErrBoxDialog::boxText(box->txtDetail)),
              QStringLiteral("错误号：5\r\n错误源：Src\r\n描  述：Desc"));
    EXPECT_EQ(box->heightTwips(), ErrBoxDialog::kCollapsedHeight);
    EXPECT_TRUE(!detailInsideClientArea(*box) && box->txtDetail->geometry().top() >= box->height());
    EXPECT_TRUE(box->cmdClose->isDefault() && box->cmdClose->text() == QStringLiteral("关闭"));
    EXPECT_TRUE(box->cmdDetail->isEnabled() && box->cmdDetail->text() == QStringLiteral("详细信息..."));
    EXPECT_EQ(box->systemIcon(), 32513) << "the default style 16 is the critical icon";
    QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  EXPECT_EQ(erb(5, u"Src", u"Desc"), 1);
  EXPECT_TRUE(shown);
}

TEST(ErrBox, StyleSelectsTheIconAndTheResultStaysOne) {
  const std::pair<int32_t, int32_t> cases[] = {{48, 32515}, {32, 32514}, {64, 32516}, {0, 32513}, {16 + 4, 32513},
                                               {64 + 256, 32516}};
  for (const auto& [style, expected] : cases) {
    int32_t icon = 0;
    whenModalShown([&](QWidget* w) {
      if (ErrBoxDialog* box = asBox(w)) {
        icon = box->systemIcon();
        // Only the Close button answers: Enter presses the default button.
        QTest::keyClick(box, Qt::Key_Return);
      }
    });
    EXPECT_EQ(erb(-2147221504, u"S", u"D", Variant(style)), 1) << style;
    EXPECT_EQ(icon, expected) << style;
  }
}

TEST(ErrBox, DetailPaneExpandsOnceAndTheNextCallStartsCollapsed) {
  int shown = 0;
  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* box = asBox(w);
    if (!box) return;
    ++shown;
    QTest::mouseClick(box->cmdDetail, Qt::LeftButton);
    EXPECT_EQ(box->heightTwips(), ErrBoxDialog::kExpandedHeight);
    EXPECT_FALSE(box->cmdDetail->isEnabled());
    EXPECT_TRUE(detailInsideClientArea(*box));
    // A second click on the disabled button changes nothing.
    QTest::mouseClick(box->cmdDetail, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Escape);  // the cancel button is Close
  });
  EXPECT_EQ(erb(13, u"A", u"B"), 1);

  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* box = asBox(w);
    if (!box) return;
    ++shown;
    EXPECT_EQ(box->heightTwips(), ErrBoxDialog::kCollapsedHeight);
    EXPECT_TRUE(box->cmdDetail->isEnabled());
    EXPECT_TRUE(box->txtDetail->toPlainText().startsWith(QStringLiteral("错误号：91\n")))
        << box->txtDetail->toPlainText().toStdString();
    QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  EXPECT_EQ(erb(91, u"C", u"D"), 1);
  EXPECT_EQ(shown, 2);
}

TEST(ErrBox, CloseBoxReturnsOneAndUnloadsTheForm) {
  whenModalShown([&](QWidget* w) { w->close(); });
  EXPECT_EQ(erb(5, u"S", u"D"), 1);
  EXPECT_FALSE(frmErrBox::shared().isLoaded());

  // The next call loads it again and works as before.
  whenModalShown([&](QWidget* w) {
    if (ErrBoxDialog* box = asBox(w)) QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  EXPECT_EQ(erb(6, u"S", u"D"), 1);
  EXPECT_TRUE(frmErrBox::shared().isLoaded());
}

TEST(ErrBox, TabOrderEndsInTheDetailBoxWhichSelectsAllOnFocus) {
  QStringList order;
  QString selected, whole;
  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* box = asBox(w);
    if (!box) return;
    // The controls Tab visits, in order, from the Close button.
    QWidget* at = box->cmdClose;
    do {
      if (at->isEnabled() && (at->focusPolicy() & Qt::TabFocus) && at->window() == box) order << at->objectName();
      at = at->nextInFocusChain();
    } while (at != box->cmdClose && order.size() < 10);
    QTest::mouseClick(box->cmdDetail, Qt::LeftButton);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(box->txtDetail, &in);
    selected = box->txtDetail->textCursor().selectedText();
    whole = box->txtDetail->toPlainText();
    QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  erb(5, u"Src", u"Desc");
  EXPECT_EQ(order.join(QLatin1Char(',')), QStringLiteral("cmdClose,cmdDetail,txtDescription,txtDetail"));
  ASSERT_FALSE(whole.isEmpty());
  // Lines in a selection are separated by U+2029.
  EXPECT_EQ(selected.replace(QChar(0x2029), QLatin1Char('\n')), whole);
}

TEST(ErrBox, NothingCanBePastedIntoEitherTextBox) {
  QApplication::clipboard()->setText(QStringLiteral("PASTED"));
  QStringList failures;
  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* box = asBox(w);
    if (!box) return;
    QTest::mouseClick(box->cmdDetail, Qt::LeftButton);
    for (QPlainTextEdit* edit : {box->txtDescription, box->txtDetail}) {
      const QString before = edit->toPlainText();
      const QString name = edit->objectName();
      edit->setFocus();
      edit->moveCursor(QTextCursor::End);
      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
      QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
      edit->paste();
      QTest::mouseClick(edit->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));

      std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
      for (QAction* a : menu->actions())
        if (a->objectName() == QStringLiteral("edit-paste") && a->isEnabled()) {
          failures << name + QStringLiteral(": the context menu offers Paste");
          a->trigger();
        }

      QMimeData mime;
      mime.setText(QStringLiteral("DROPPED"));
      const QPoint at(10, 10);
      QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(edit->viewport(), &enter);
      if (enter.isAccepted()) failures << name + QStringLiteral(": a drag is accepted");
      QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(edit->viewport(), &drop);

      if (edit->toPlainText() != before) failures << name + QStringLiteral(": text became ") + edit->toPlainText();
    }
    // Typing still works: only pasting is refused.
    box->txtDescription->setFocus();
    QTest::keyClicks(box->txtDescription, QStringLiteral("x"));
    if (!box->txtDescription->toPlainText().contains(QLatin1Char('x'))) failures << QStringLiteral("typing refused");
    QTest::mouseClick(box->cmdClose, Qt::LeftButton);
  });
  erb(5, u"Src", u"Desc");
  EXPECT_TRUE(failures.isEmpty()) << failures.join(QStringLiteral("; ")).toStdString();
}

TEST(ErrBox, ABoxAskedForWhileOneIsOpenGetsItsOwnWindow) {
  QString firstAfter, secondText;
  bool distinct = false;
  whenModalShown([&](QWidget* w) {
    ErrBoxDialog* first = asBox(w);
    if (!first) return;
    whenModalShown([&](QWidget* w2) {
      ErrBoxDialog* second = asBox(w2);
      if (!second) return;
      distinct = second != first;
      secondText = second->txtDescription->toPlainText();
      QTest::mouseClick(second->cmdClose, Qt::LeftButton);
    });
    EXPECT_EQ(erb(2, u"S2", u"second"), 1);
    firstAfter = first->txtDescription->toPlainText();
    QTest::mouseClick(first->cmdClose, Qt::LeftButton);
  });
  EXPECT_EQ(erb(1, u"S1", u"first"), 1);
  EXPECT_TRUE(distinct);
  EXPECT_EQ(secondText, QStringLiteral("second"));
  EXPECT_EQ(firstAfter, QStringLiteral("first"));
}

TEST(ErrBox, ErbByNameTakesOptionalAndByReferenceArguments) {
  Ref<GFrontEnd> fe = make<GFrontEnd>();
  QString caption;
  int32_t icon = 0;
  whenModalShown([&](QWidget* w) {
    if (ErrBoxDialog* box = asBox(w)) {
      caption = box->windowTitle();
      icon = box->systemIcon();
      QTest::mouseClick(box->cmdClose, Qt::LeftButton);
    }
  });
  Variant help(u"app.chm"), context(int32_t{42});
  Args args{Variant(int32_t{7}), Variant(u"src"), Variant(u"des"), Variant(int32_t{64}), Variant(u"By name"),
            Variant::byRef(help), Variant::byRef(context)};
  const Variant r = fe->invoke(u"erb", InvokeKind::Method, args);
  EXPECT_EQ(r.type(), VarType::Long);
  EXPECT_EQ(r.rawInteger(), 1);
  EXPECT_EQ(caption, QStringLiteral("By name"));
  EXPECT_EQ(icon, 32516);
  EXPECT_TRUE(help.isString()) << "HelpFile and Context are not touched";
  EXPECT_EQ(context.rawInteger(), 42);

  Args tooFew{Variant(int32_t{7}), Variant(u"src")};
  EXPECT_EQ(test::raisedError([&] { fe->invoke(u"ERB", InvokeKind::Method, tooFew); }).number(),
            err::ArgumentNotOptional);
}

TEST(ErrBox, WithoutATitleTheCaptionIsTheApplicationsTitle) {
  // The caption of the box ERB shows without a title.
  auto captionWithoutTitle = [] {
    QString caption;
    whenModalShown([&](QWidget* w) {
      if (ErrBoxDialog* box = asBox(w)) {
        caption = box->windowTitle();
        QTest::mouseClick(box->cmdClose, Qt::LeftButton);
      }
    });
    EXPECT_EQ(erb(5, u"S", u"D", Variant::missing(), Variant::missing()), 1);
    return caption.toStdU16String();
  };
  {
    test::TitledApp app;
    EXPECT_EQ(captionWithoutTitle(), test::TitledApp::title());
  }
  // With the application ended the title cannot be read: the caption stays, nothing is raised.
  EXPECT_EQ(captionWithoutTitle(), test::TitledApp::title());
}
