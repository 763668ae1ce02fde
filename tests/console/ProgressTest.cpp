// The progress window driven offscreen: a job's whole lifecycle, cancelling, the close box, a
// failing job, the percentage bar on the rendered image and the animation's sequence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <thread>

#include "console/CConsole.h"
#include "console/ProgressDialog.h"
#include "console/frmProgress.h"
#include "platform/ServiceScope.h"
#include "platform/ui/IMessageBox.h"
#include "resources/ErrBoxDialog.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"
#include "support/RecordingMessageBox.h"
#include "support/TitledApp.h"

using namespace lv8int;
using lv8int::test::whenModalShown;

namespace {

class ScriptJob : public IProgressJob {
 public:
  explicit ScriptJob(std::function<void(int32_t)> body) : body_(std::move(body)) {}
  void RunJob(int32_t nJobID) override {
    ++calls;
    body_(nJobID);
  }
  int calls = 0;

 private:
  std::function<void(int32_t)> body_;
};

constexpr int32_t kYes = 6, kNo = 7;

using test::RecordingMessageBox;

QString labelText(QLabel* l) { return l->text(); }

// The surface of the progress box as the window shows it.
QImage rendered(ProgressDialog* d) {
  const int b = ProgressBox::kBorder;
  QImage whole = d->picProgress->grab().toImage().convertToFormat(QImage::Format_RGB32);
  return whole.copy(b, b, d->picProgress->innerWidth(), d->picProgress->innerHeight());
}

QRgb rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xffffff; }

class ProgressWindow : public ::testing::Test {
 protected:
  Ref<frmProgress> bar = make<frmProgress>();
  ProgressDialog* d = bar->dialog();
};

// Under an application with a title; the questions are answered from `box` in turn.
class ProgressQuestions : public ::testing::Test {
 protected:
  ProgressQuestions() { box.answer = kNo; }  // when the answers run out

  test::TitledApp app;
  RecordingMessageBox box;
  ServiceScope<IMessageBox> scope{box};
  Ref<frmProgress> bar = make<frmProgress>();
  ProgressDialog* d = bar->dialog();
};

}  // namespace

// The job's own expectations run inside the modal display; `calls` shows they ran.
TEST_F(ProgressWindow, AJobRunsInsideTheModalWindowAndCloseLetsStartJobReturn) {
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("处理"));
  EXPECT_FALSE(d->isVisible());
  auto job = make<ScriptJob>([&](int32_t id) {
    EXPECT_EQ(id, 7);
    EXPECT_TRUE(QApplication::activeModalWidget() == d && d->isVisible())
        << "RunJob must run inside the window's modal display";
    bar->put_Caption(u"导入凭证");
    bar->put_MainText(u"正在导入凭证");
    bar->put_SubText(u"第 3 张，共 10 张");
    bar->put_Percentage(30);
    EXPECT_EQ(labelText(d->lblMain), QStringLiteral("正在导入凭证"));
    EXPECT_EQ(labelText(d->lblSub), QStringLiteral("第 3 张，共 10 张"));
    EXPECT_EQ(d->percentText(), QStringLiteral("30%"));
    EXPECT_FALSE(bar->Canceled());
    bar->Close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(labelText(d->lblMain), QString());
  });
  const int32_t refsBefore = job->refCount();
  bar->StartJob(Ref<IProgressJob>(job), 7);

  EXPECT_EQ(job->calls, 1);
  EXPECT_EQ(d->windowTitle(), QStringLiteral("导入凭证"));
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(job->refCount(), refsBefore) << "the window keeps the job after its end";
  EXPECT_TRUE(d->cmdCancel->isEnabled());
}

TEST_F(ProgressQuestions, CancelAnsweredNoChangesNothingAndYesCancelsAtTheNextRead) {
  box.answers = {kNo, kYes};
  auto job = make<ScriptJob>([&](int32_t) {
    bar->put_MainText(u"工作中");
    bar->put_SubText(u"细节");
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(d->isCanceled());
    EXPECT_TRUE(d->cmdCancel->isEnabled());
    EXPECT_EQ(labelText(d->lblMain), QStringLiteral("工作中"));

    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(d->cmdCancel->isEnabled());
    EXPECT_TRUE(d->isVisible()) << "the job ends the display, not the answer";
    EXPECT_EQ(labelText(d->lblMain), QStringLiteral("正在尝试取消，请稍候..."));
    EXPECT_EQ(labelText(d->lblSub), QString());
    bar->put_MainText(u"仍在工作");
    bar->put_SubText(u"更多细节");
    EXPECT_EQ(labelText(d->lblMain), QStringLiteral("正在尝试取消，请稍候...")) << "texts are ignored after a cancel";
    EXPECT_EQ(labelText(d->lblSub), QString());
    EXPECT_TRUE(bar->Canceled());
    EXPECT_FALSE(d->isVisible());
  });
  bar->StartJob(Ref<IProgressJob>(job));
  EXPECT_EQ(job->calls, 1);
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[0].text, u"您是否要取消操作？");
  EXPECT_EQ(box.shown[0].style, 292) << "Yes/No, question icon, No as default";
  EXPECT_EQ(box.shown[0].caption, test::TitledApp::title());

  // The next job starts uncancelled, with the question the caller set.
  bar->put_CancelText(u"停止导入吗？");
  bool canceledAtStart = true;
  auto next = make<ScriptJob>([&](int32_t) {
    canceledAtStart = bar->Canceled();
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);  // answered No (queue empty)
    bar->put_MainText(u"shown again");
    bar->Close();
  });
  bar->StartJob(Ref<IProgressJob>(next));
  EXPECT_FALSE(canceledAtStart);
  ASSERT_EQ(box.shown.size(), 3u);
  EXPECT_EQ(box.shown[2].text, u"停止导入吗？");
}

TEST_F(ProgressQuestions, TheCloseBoxAsksTheQuestionAndNeverClosesTheWindow) {
  box.answers = {kNo, kYes};

  auto job = make<ScriptJob>([&](int32_t) {
    d->close();
    EXPECT_TRUE(d->isVisible()) << "answered No";
    d->close();
    EXPECT_TRUE(d->isVisible()) << "answered Yes";
    d->close();  // after a confirmed cancel: nothing, not even the question
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(box.shown.size(), 2u);
    bar->Canceled();
  });
  bar->StartJob(Ref<IProgressJob>(job));
  EXPECT_EQ(job->calls, 1);
  EXPECT_FALSE(d->isVisible());
}

TEST_F(ProgressQuestions, AFailingJobIsReportedAndDoesNotLeaveTheCallerBlocked) {
  box.answers = {kYes, kYes, kYes};

  // RunJob fails without calling Close; the error box shows it; the user then closes the window.
  QString detail;
  int32_t icon = 0;
  bool progressStillUp = false;
  auto job = make<ScriptJob>([&](int32_t) {
    bar->put_MainText(u"要失败了");
    // Armed while the progress window is the modal one: the next one up is the error box.
    whenModalShown([&](QWidget* w) {
      auto* err = qobject_cast<ErrBoxDialog*>(w);
      ASSERT_NE(err, nullptr) << "the job's error was not shown in the error box";
      detail = QString::fromStdU16String(ErrBoxDialog::boxText(err->txtDetail));
      icon = err->systemIcon();
      QTest::mouseClick(err->cmdClose, Qt::LeftButton);
      whenModalShown([&](QWidget* w2) {
        progressStillUp = w2 == d && d->isVisible();
        w2->close();  // the close box: asked, answered Yes, and the display ends
      });
    });
    throw AutomationError(vbObjectError + 513, u"ZRMDict.utilPeriod", u"连接中断");
  });
  bar->StartJob(Ref<IProgressJob>(job));  // returns: the test would hang otherwise
  EXPECT_EQ(detail, QStringLiteral("错误号：-2147220991\r\n错误源：ZRMDict.utilPeriod\r\n描  述：连接中断"));
  EXPECT_EQ(icon, 32513) << "the critical icon";
  EXPECT_TRUE(progressStillUp);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(box.shown.size(), 1u);

  // A job that comes back without Close: the Cancel button ends the display once confirmed.
  auto lazy = make<ScriptJob>([&](int32_t) {});
  whenModalShown([&](QWidget* w) {
    if (w != d) return;
    test::waitUntil([&] { return lazy->calls == 1; });
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
  });
  bar->StartJob(Ref<IProgressJob>(lazy));
  EXPECT_EQ(lazy->calls, 1);
  EXPECT_FALSE(d->isVisible());

  // Cancel confirmed before the job starts, and a job that never reads Canceled: the display
  // ends when the job comes back.
  auto deaf = make<ScriptJob>([&](int32_t) {});
  whenModalShown([&](QWidget* w) {
    if (w == d && deaf->calls == 0) QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
  });
  bar->StartJob(Ref<IProgressJob>(deaf));
  EXPECT_EQ(deaf->calls, 1);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(box.shown.size(), 3u);
}

TEST_F(ProgressWindow, StartJobWhileAJobRunsFailsWithItsNameInTheSource) {
  auto inner = make<ScriptJob>([&](int32_t) {});
  auto outer = make<ScriptJob>([&](int32_t) {
    const AutomationError e = test::raisedError([&] { bar->StartJob(Ref<IProgressJob>(inner), 2); });
    EXPECT_EQ(e.number(), 400);
    EXPECT_EQ(e.source(), u"LV8INTfrmProgress.IProgressBar_StartJob()\\");
    EXPECT_TRUE(d->isVisible());
    bar->Close();
  });
  bar->StartJob(Ref<IProgressJob>(outer), 1);
  EXPECT_EQ(outer->calls, 1);
  EXPECT_EQ(inner->calls, 0);
}

TEST(Progress, WithoutAWindowAJobThatStartsAJobMeetsTheSameRefusal) {
  // Another thread cannot show the window: jobs run at once there.
  int runs = 0;
  std::thread([&] {
    Ref<frmProgress> bar = make<frmProgress>();
    Ref<ScriptJob> job;
    job = make<ScriptJob>([&](int32_t) {
      // Bounded, so that a missing refusal fails here instead of overflowing the stack.
      if (++runs > 3) return;
      const AutomationError e = test::raisedError([&] { bar->StartJob(Ref<IProgressJob>(job), 2); });
      EXPECT_EQ(e.number(), 400);
      EXPECT_EQ(e.source(), u"LV8INTfrmProgress.IProgressBar_StartJob()\\");
    });
    bar->StartJob(Ref<IProgressJob>(job), 1);
  }).join();
  EXPECT_EQ(runs, 1);
}

TEST_F(ProgressWindow, UnloadingEndsARunningDisplay) {
  QPointer<ProgressDialog> dialog(bar->dialog());
  bool textAfterUnload = false;
  auto job = make<ScriptJob>([&](int32_t) {
    bar->Unload();
    bar->put_MainText(u"after");  // the job goes on; the window is gone
    QCoreApplication::processEvents();
    textAfterUnload = true;
  });
  bar->StartJob(Ref<IProgressJob>(job));
  EXPECT_EQ(job->calls, 1);
  EXPECT_TRUE(textAfterUnload);
  EXPECT_EQ(bar->dialog(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(dialog.isNull()) << "the unloaded window was kept";
}

TEST_F(ProgressWindow, PercentageDrawsTheRoundedTextAndABarOfThatShareOfTheWidth) {
  bar->put_Style(1);
  EXPECT_EQ(d->picProgress->width(), 212) << "3420 - 2 x 120 twips";
  const int w = d->picProgress->innerWidth();
  const int h = d->picProgress->innerHeight();
  const QRgb navy = ProgressDialog::kForeColour, white = 0xffffff;

  bar->put_Percentage(42.5);
  EXPECT_EQ(d->percentText(), QStringLiteral("43%"));
  const int expectedBar = qRound(w * 0.425);
  EXPECT_EQ(d->barWidth(), expectedBar);
  QImage img = rendered(d);
  // Far from the centred text, every row shows the bar up to its edge and white after it.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w / 2 - 25; ++x) ASSERT_EQ(rgb(img, x, y), x < expectedBar ? navy : white) << x << "," << y;
    for (int x = w / 2 + 25; x < w; ++x) ASSERT_EQ(rgb(img, x, y), white) << x << "," << y;
  }

  // No bar for 0 and below; the text is still drawn, in the middle.
  for (double p : {0.0, -5.0}) {
    bar->put_Percentage(p);
    EXPECT_EQ(d->percentText(), p == 0 ? QStringLiteral("0%") : QStringLiteral("-5%"));
    EXPECT_EQ(d->barWidth(), 0);
    img = rendered(d);
    int left = w, right = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rgb(img, x, y) != white) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    ASSERT_GE(right, left) << "no text drawn for " << p;
    EXPECT_LE(std::abs(left - (w - 1 - right)), 3) << "text not centred for " << p;
    EXPECT_GT(left, w / 2 - 25);
  }

  // Above 100 the whole box is the bar.
  bar->put_Percentage(250);
  EXPECT_EQ(d->barWidth(), w);
  EXPECT_EQ(rgb(rendered(d), w - 1, 0), navy);
}

TEST_F(ProgressWindow, TheBarInvertsTheTextItCoversPixelByPixel) {
  bar->put_Style(1);
  // Both draw "50%"; the bar edge moves across the middle of the text.
  bar->put_Percentage(49.5);
  const int shortBar = d->barWidth();
  const QImage before = rendered(d);
  bar->put_Percentage(50.4);
  const int longBar = d->barWidth();
  const QImage after = rendered(d);
  ASSERT_EQ(d->percentText(), QStringLiteral("50%"));
  ASSERT_LT(shortBar, longBar);

  int glyphPixels = 0;
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      const QRgb b = rgb(before, x, y), a = rgb(after, x, y);
      if (x >= shortBar && x < longBar) {
        // Newly covered: not (pen xor screen).
        ASSERT_EQ(a, ~(ProgressDialog::kForeColour ^ b) & 0xffffff) << x << "," << y;
        if (b != 0xffffff) ++glyphPixels;
      } else {
        ASSERT_EQ(a, b) << x << "," << y;
      }
    }
  }
  EXPECT_GT(glyphPixels, 0) << "the moving edge should cross the text";
  // Text under the bar is light on the dark bar.
  int lightUnderBar = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < longBar; ++x)
      if (qGray(after.pixel(x, y)) > 160) ++lightUnderBar;
  EXPECT_GT(lightUnderBar, 0);
}

TEST_F(ProgressWindow, PercentageOverflowRaisesSixFromTheBar) {
  bar->put_Style(1);
  bar->put_Percentage(32767.4);
  EXPECT_EQ(d->percentText(), QStringLiteral("32767%"));
  bar->put_Percentage(-32768.5);
  EXPECT_EQ(d->percentText(), QStringLiteral("-32768%"));
  for (double p : {32767.5, -32769.0, 1e39}) {
    const AutomationError e = test::raisedError([&] { bar->put_Percentage(p); });
    EXPECT_EQ(e.number(), err::Overflow) << p;
    EXPECT_EQ(e.source(), u"vbwProgressBar");
    EXPECT_EQ(e.description(), u"Overflow");
  }
}

TEST_F(ProgressWindow, OtherStylesDrawNoPercentage) {
  bar->put_Style(1);
  bar->put_Percentage(10);
  for (int32_t style : {2, 3, 0}) {
    bar->put_Style(style);
    const QImage before = d->picProgress->surface().copy();
    bar->put_Percentage(90);
    EXPECT_EQ(d->picProgress->surface(), before) << style;
    EXPECT_EQ(d->percentText(), QStringLiteral("10%"));
    EXPECT_EQ(d->cmdCancel->isHidden(), style == 2) << style;
    EXPECT_EQ(d->picProgress->width(), style == 2 ? 287 : 212) << style;
  }
}

TEST_F(ProgressWindow, AnimationRunsForthAndBackReversingAtOneHundredAndZero) {
  bar->put_Style(2);
  std::vector<int> frames;
  QImage at50;
  QObject::connect(d, &ProgressDialog::frameDrawn, d, [&](int pos) {
    frames.push_back(pos);
    if (pos == 50 && at50.isNull()) at50 = rendered(d);
  });
  auto job = make<ScriptJob>([&](int32_t) {
    EXPECT_TRUE(d->animationRunning());
    EXPECT_TRUE(d->cmdCancel->isHidden());
    test::waitUntil([&] { return frames.size() >= 42; }, 20000);
    bar->Close();
  });
  bar->StartJob(Ref<IProgressJob>(job));
  QObject::disconnect(d, &ProgressDialog::frameDrawn, d, nullptr);

  EXPECT_EQ(job->calls, 1);
  ASSERT_GE(frames.size(), 42u);
  std::vector<int> expected;
  for (int p = 5; p <= 100; p += 5) expected.push_back(p);
  for (int p = 95; p >= 0; p -= 5) expected.push_back(p);
  expected.push_back(5);
  expected.push_back(10);
  EXPECT_EQ(std::vector<int>(frames.begin(), frames.begin() + 42), expected);
  EXPECT_FALSE(d->animationRunning()) << "the end of the job stops the animation";
  EXPECT_FALSE(d->cmdCancel->isHidden()) << "the end of the job shows Cancel again";

  // At 50 a 600-twip slice of the picture sits with its right edge at the middle.
  ASSERT_FALSE(at50.isNull());
  const int inner = d->picProgress->innerWidth();
  const int right = qRound(inner * 0.5);
  const QRgb highlight = ProgressDialog::animationPicture().pixel(100, 6) & 0xffffff;
  EXPECT_EQ(rgb(at50, right - 20, 6), highlight);
  EXPECT_NE(rgb(at50, right - 45, 6), highlight) << "left of the slice is empty";
  EXPECT_NE(rgb(at50, right + 3, 6), highlight) << "right of the slice is empty";
}

TEST(Progress, TheAnimationPictureIsAGlossyBlueBar) {
  const QImage pic = ProgressDialog::animationPicture();
  ASSERT_EQ(pic.size(), QSize(287, 13));
  const QColor rim = pic.pixelColor(143, 0), middle = pic.pixelColor(143, 6), upper = pic.pixelColor(143, 2);
  EXPECT_GT(rim.blue(), rim.red() + 60) << "dark blue rim";
  EXPECT_LT(rim.lightness(), 80);
  EXPECT_GT(middle.lightness(), upper.lightness()) << "light highlight along the middle";
  EXPECT_GT(middle.lightness(), 200);
  for (int y = 0; y < pic.height(); ++y)
    for (int x = 0; x < pic.width(); x += 13) EXPECT_GE(pic.pixelColor(x, y).blue(), pic.pixelColor(x, y).red()) << x << "," << y;
}

TEST(Progress, TheConsoleHandsOutOneWindowAndUnloadsItWhenItEnds) {
  QPointer<ProgressDialog> dialog;
  {
    test::TitledApp app;
    Ref<IProgressBar> first = app.app()->Console()->ProgressBar();
    Ref<IProgressBar> second = app.app()->Console()->ProgressBar();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first == second);
    auto* form = dynamic_cast<frmProgress*>(first.get());
    ASSERT_NE(form, nullptr);
    dialog = form->dialog();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_FALSE(dialog->isVisible()) << "loaded hidden";
    first = nullptr;
    second = nullptr;
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(dialog.isNull()) << "the window outlived the console";
}
