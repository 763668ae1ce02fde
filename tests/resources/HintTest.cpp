// The hint window driven offscreen: suppression, ticking, the close box, exact name matching,
// fresh reads of the definitions and the store left unsaved.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/CApplication.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "resources/ErrBoxDialog.h"
#include "resources/HintDialog.h"
#include "resources/frmHint.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"
#include "support/TitledApp.h"

using namespace lv8int;
using lv8int::test::TempFolder;

namespace {

const char kHints[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<hints>
  <hint name="Welcome"><![CDATA[欢迎使用。
第二行
第三行]]></hint>
  <hint name="It's"><![CDATA[apostrophe]]></hint>
  <hint name='say "hi"'><![CDATA[quotes]]></hint>
  <hint name="Secret"><![CDATA[secret text]]></hint>
  <hint name="NoCData">plain text</hint>
  <hint name="Empty"></hint>
  <other name="Other"><![CDATA[not a hint]]></other>
</hints>
)";

// How a showing is answered.
enum class Answer { Ok, TickThenOk, CloseBox, TickThenCloseBox };

struct Showing {
  bool shown = false;
  QString text;  // as automation reads the box (CR LF)
  int blocks = 0;
  QString caption, check, button;
  bool startedClear = false;
};

// Runs ShowHint; a hint window that opens is recorded and answered. The watch ends with the
// call, so a window that never opens leaves nothing behind.
bool run(const std::function<bool()>& call, Answer answer, Showing& seen) {
  QTimer watch;
  watch.setInterval(10);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* d = qobject_cast<HintDialog*>(QApplication::activeModalWidget());
    if (!d || seen.shown) return;
    seen.shown = true;
    seen.text = QString::fromStdU16String(ErrBoxDialog::boxText(d->txtMsg));
    seen.blocks = d->txtMsg->document()->blockCount();
    seen.caption = d->windowTitle();
    seen.check = d->chkNextDontShow->text();
    seen.button = d->cmdOK->text();
    seen.startedClear = !d->chkNextDontShow->isChecked();
    if (answer == Answer::TickThenOk || answer == Answer::TickThenCloseBox)
      QTest::mouseClick(d->chkNextDontShow, Qt::LeftButton, {}, QPoint(6, d->chkNextDontShow->height() / 2));
    if (answer == Answer::Ok || answer == Answer::TickThenOk) QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    else d->close();
  });
  watch.start();
  return call();
}

struct HintFiles {
  TempFolder folder;
  Ref<XMLRegistry> store = make<XMLRegistry>();
  int storeRequests = 0;

  HintFiles() { folder.write("System/hintdef.xml", kHints); }
  String file() const { return folder.name("System/hintdef.xml"); }
  bool show(const String& name, Answer answer, Showing& seen) {
    return run([&] {
      return frmHint::shared().showHint(name, file(), [this] {
        ++storeRequests;
        return store;
      });
    }, answer, seen);
  }
  String flag(const String& name) const {
    Ref<XMLRegistryKey> key = store->RootKey()->OpenKey(u"hint", false);
    if (!key) return u"<no key>";
    return CStr(key->GetValue(name, Variant(u"<none>")));
  }
};

}  // namespace

TEST(Hint, ShowsTheTextWithCrLfAndReturnsTrueWhenLeftClear) {
  HintFiles h;
  Showing seen;
  EXPECT_TRUE(h.show(u"Welcome", Answer::Ok, seen));
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(seen.text, QStringLiteral("欢迎使用。\r\n第二行\r\n第三行"));
  EXPECT_EQ(seen.blocks, 3);
  EXPECT_EQ(seen.caption, QStringLiteral("提示"));
  EXPECT_EQ(seen.check, QStringLiteral("下次不再显示此提示(&N)"));
  EXPECT_EQ(seen.button, QStringLiteral("确定(&O)"));
  EXPECT_TRUE(seen.startedClear);
  EXPECT_EQ(h.flag(u"Welcome"), u"<none>") << "a clear box stores nothing";
  EXPECT_EQ(frmHint::shared().dialog(), nullptr) << "the form is unloaded after every showing";
}

// What a showing returns and leaves stored, by the flag stored before and the user's answer.
TEST(Hint, TheStoredFlagDecidesAndATickStoresOne) {
  const struct {
    const char16_t* stored;  // none when null
    Answer answer;
    bool result, shown;
    const char16_t* after;  // not checked when null
  } cases[] = {
      {nullptr, Answer::Ok, true, true, u"<none>"},
      {nullptr, Answer::TickThenOk, false, true, u"1"},
      {nullptr, Answer::CloseBox, true, true, u"<none>"},  // the close box acts as OK
      {nullptr, Answer::TickThenCloseBox, false, true, u"1"},
      {u"1", Answer::Ok, false, false, u"1"},
      {u"0", Answer::Ok, true, true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.stored ? c.stored : u"none") + " " + std::to_string(static_cast<int>(c.answer)));
    HintFiles h;
    if (c.stored) h.store->RootKey()->OpenKey(u"hint", true)->AddValue(u"Welcome", c.stored);
    Showing seen;
    EXPECT_EQ(h.show(u"Welcome", c.answer, seen), c.result);
    EXPECT_EQ(seen.shown, c.shown);
    if (c.after) {
      EXPECT_EQ(h.flag(u"Welcome"), c.after);
    }
  }

  // After a tick the next call shows nothing; another hint's box starts clear all the same.
  HintFiles h;
  Showing first, second, other;
  EXPECT_FALSE(h.show(u"Welcome", Answer::TickThenOk, first));
  EXPECT_FALSE(h.show(u"Welcome", Answer::Ok, second));
  EXPECT_FALSE(second.shown);
  EXPECT_TRUE(h.show(u"Secret", Answer::Ok, other));
  EXPECT_TRUE(other.startedClear);

  // A flag that is no Boolean is an error to the caller.
  h.store->RootKey()->OpenKey(u"hint", true)->AddValue(u"Secret", u"maybe");
  Showing bad;
  EXPECT_EQ(test::raisedError([&] { h.show(u"Secret", Answer::Ok, bad); }).number(), err::TypeMismatch);
  EXPECT_FALSE(bad.shown);
}

TEST(Hint, EscapeDoesNotCloseTheWindow) {
  HintFiles h;
  bool shown = false;
  test::whenModalShown([&](QWidget* w) {
    auto* d = qobject_cast<HintDialog*>(w);
    ASSERT_NE(d, nullptr);
    shown = true;
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  });
  EXPECT_TRUE(frmHint::shared().showHint(u"Welcome", h.file(), [&] { return h.store; }));
  EXPECT_TRUE(shown);
}

TEST(Hint, NamesAreMatchedExactlyAndLiterally) {
  HintFiles h;
  struct Case {
    String name;
    bool found;
    QString text;
  } cases[] = {
      {u"welcome", false, {}},
      {u"WELCOME", false, {}},
      {u"It's", true, QStringLiteral("apostrophe")},
      {u"say \"hi\"", true, QStringLiteral("quotes")},
      // Crafted names select nothing else.
      {u"x' or @name='Secret", false, {}},
      {u"' or '1'='1", false, {}},
      {u"Other", false, {}},
      {u"", false, {}},
  };
  for (const Case& c : cases) {
    Showing seen;
    const bool result = h.show(c.name, Answer::Ok, seen);
    EXPECT_EQ(result, c.found) << toUtf8(c.name);
    EXPECT_EQ(seen.shown, c.found) << toUtf8(c.name);
    if (c.found) {
      EXPECT_EQ(seen.text, c.text);
    }
  }
}

TEST(Hint, MissingOrBrokenDefinitionsGiveFalseAndBadHintsRaise) {
  HintFiles h;
  Showing seen;
  EXPECT_FALSE(frmHint::shared().showHint(u"Welcome", h.folder.name("System/none.xml"), [&] { return h.store; }));
  h.folder.write("System/broken.xml", "<hints><hint name=\"Welcome\">");
  EXPECT_FALSE(frmHint::shared().showHint(u"Welcome", h.folder.name("System/broken.xml"), [&] { return h.store; }));
  EXPECT_FALSE(h.show(u"Nobody", Answer::Ok, seen));
  EXPECT_EQ(h.storeRequests, 0) << "the store is not asked for a hint that is not there";

  for (const auto& [name, number] : {std::pair<String, int32_t>{u"NoCData", err::TypeMismatch},
                                     std::pair<String, int32_t>{u"Empty", err::ObjectNotSet}})
    EXPECT_EQ(test::raisedError([&] { h.show(name, Answer::Ok, seen); }).number(), number) << toUtf8(name);
  EXPECT_FALSE(seen.shown);
}

TEST(Hint, DefinitionsAreReadAfreshOnEveryCall) {
  HintFiles h;
  Showing before, after;
  EXPECT_TRUE(h.show(u"Secret", Answer::Ok, before));
  h.folder.write("System/hintdef.xml",
                 "<hints><hint name=\"Secret\"><![CDATA[changed\nagain]]></hint></hints>");
  EXPECT_TRUE(h.show(u"Secret", Answer::Ok, after));
  EXPECT_EQ(after.text, QStringLiteral("changed\r\nagain"));
}

TEST(Hint, ShowHintReadsTheSystemFolderOfTheApplication) {
  test::TitledApp app;
  app.tree().folder().write(app.tree().systemFolder().substr(app.tree().folder().path().size()) + "hintdef.xml",
                            kHints);
  // Nobody is logged in: an undefined hint is simply not shown; a defined one needs the user
  // store, which is not there yet.
  EXPECT_FALSE(app.app()->ShowHint(u"Nobody"));
  EXPECT_EQ(test::raisedError([&] { app.app()->ShowHint(u"Welcome"); }).number(), err::ObjectNotSet);
}
