// The Qt controls hosts place on child forms, driven offscreen: events raised once and with
// their by-reference arguments honoured, the tool collections' rules, and the form's layout.
#include <gtest/gtest.h>

#include "platform/controls/ChildForm.h"
#include "platform/controls/SplitterControl.h"
#include "platform/controls/ToolbarControl.h"
#include "support/RaisedError.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

namespace lv8int {
namespace {

using test::errorOf;

class Controls : public ::testing::Test {
 protected:
  Controls() {
    Ref<ToolbarBand> band = bar->addBand(u"Standard");
    band->Tools()->Add(1, u"Save")->put_Caption(u"保存");
    band->Tools()->Add(2, u"Print")->put_Caption(u"打印");
    split->splitter()->addWidget(text);
    form->widget()->show();
    recorder->on(u"ToolClick", [this](Args& a) { log += "ToolClick(" + toUtf8(CStr(objectArg(a[0])->get(u"Name"))) + ");"; });
    recorder->on(u"BandOpen", [this](Args& a) {
      log += "BandOpen(" + toUtf8(CStr(objectArg(a[0])->get(u"Name"))) + ");";
      a[1].deref() = Variant(cancelBands);
    });
    recorder->on(u"KeyDown", [this](Args& a) {
      log += "KeyDown(" + std::to_string(CLng(a[0])) + "," + std::to_string(CLng(a[1])) + ");";
      if (CLng(a[0]) == swallow) a[0].deref() = Variant(int16_t{0});
    });
    recorder->on(u"Unload", [this](Args& a) {
      log += "Unload;";
      a[0].deref() = Variant(int16_t{keepOpen ? int16_t{1} : int16_t{0}});
    });
    bar->events().connect(recorder);
    form->events().connect(recorder);
  }
  static Ref<Object> objectArg(const Variant& v) { return v.deref().rawObject(); }

  Ref<ChildForm> form = make<ChildForm>(u"表单");
  Ref<ToolbarControl> bar = make<ToolbarControl>(*form);
  Ref<SplitterControl> split = make<SplitterControl>(*form);
  QPlainTextEdit* text = new QPlainTextEdit;
  Ref<EventSink> recorder = make<EventSink>();
  std::string log;
  bool cancelBands = false;
  int32_t swallow = -1;
  bool keepOpen = false;
};

TEST_F(Controls, ClicksAndBandOpeningsAreRaisedAndCancelKeepsTheMenuShut) {
  QTest::mouseClick(bar->buttonOf(u"Print"), Qt::LeftButton);
  cancelBands = true;
  QTest::mouseClick(bar->dropDownOf(u"SysCustomize"), Qt::LeftButton);
  EXPECT_EQ(bar->openMenu(), nullptr);
  cancelBands = false;
  QTest::mouseClick(bar->dropDownOf(u"SysCustomize"), Qt::LeftButton);
  ASSERT_NE(bar->openMenu(), nullptr);
  // The control's own tool shows every hidden tool again, while the user may change the bar.
  QMenu* m = bar->openMenu();
  EXPECT_FALSE(m->actions().at(0)->isEnabled());
  m->close();
  bar->put_UserDefinedCustomization(true);
  bar->band(u"Standard")->Tools()->Item(Variant(u"Save"))->put_Visible(false);
  EXPECT_EQ(bar->buttonOf(u"Save"), nullptr);
  QTest::mouseClick(bar->dropDownOf(u"SysCustomize"), Qt::LeftButton);
  m = bar->openMenu();
  QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(m->actions().at(0)).center());
  EXPECT_EQ(log, "ToolClick(Print);BandOpen(SysCustomize);BandOpen(SysCustomize);BandOpen(SysCustomize);ToolClick(Customize);");
  EXPECT_NE(bar->buttonOf(u"Save"), nullptr);
}

TEST_F(Controls, ToolCollectionsAnswerByNameAndNeverHoldAnIdentifierTwice) {
  Ref<ToolbarTools> tools = bar->band(u"Standard")->Tools();
  Ref<ToolbarTool> again = tools->Add(1, u"Other");
  EXPECT_EQ(again->Name(), u"Save");
  EXPECT_EQ(tools->Count(), 2);
  EXPECT_EQ(CStr(Ref<Object>(tools)->get(u"Item", {Variant(u"PRINT")})), u"Print");  // default member: Name
  EXPECT_EQ(errorOf([&] { tools->Item(Variant(u"Nothing")); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([&] { tools->Item(Variant(int32_t{3})); }), err::SubscriptOutOfRange);
  // The whole control's tools: every band, read only.
  Ref<ToolbarTools> all = bar->Tools();
  EXPECT_EQ(all->Count(), 3);
  EXPECT_EQ(errorOf([&] { all->Add(9, u"x"); }), err::ActionNotSupported);
  // The customize band stays after the host's bands.
  bar->addBand(u"Later");
  EXPECT_EQ(CStr(bar->Bands()->Item(Variant(int32_t{3}))), u"SysCustomize");
}

TEST_F(Controls, AKeyIsRaisedOnceWhereverItStartsAndASwallowedOneGoesNoFurther) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* log;
  } cases[] = {
      {Qt::Key_Q, Qt::ControlModifier, "KeyDown(81,2);"},  // the text box passes it to its parents
      {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, "KeyDown(83,3);"},
      {Qt::Key_F5, Qt::AltModifier, "KeyDown(116,4);"},
      {Qt::Key_division, Qt::NoModifier, ""},  // no automation key code
  };
  for (const Case& c : cases) {
    log.clear();
    QTest::keyClick(text, c.key, c.mods);
    EXPECT_EQ(log, c.log);
  }
  swallow = 'A';
  text->setPlainText(QStringLiteral("摘要"));
  QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(text->textCursor().selectedText().toStdString(), "");
  swallow = -1;
  QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(text->textCursor().selectedText().toStdString(), "摘要");
}

TEST_F(Controls, UnloadMayKeepTheFormOpenAndTheSplitterFillsBelowTheToolbar) {

  bar->put_Height(600);
  split->put_Top(bar->Top() + bar->Height());
  EXPECT_EQ(bar->widget()->height(), 40);
  EXPECT_EQ(split->splitter()->geometry(), QRect(0, 40, form->widget()->width(), form->widget()->height() - 40));
  form->widget()->resize(500, 300);
  EXPECT_EQ(split->splitter()->geometry(), QRect(0, 40, 500, 260));
  EXPECT_EQ(bar->widget()->width(), 500);
  QToolButton* customize = bar->dropDownOf(u"SysCustomize");
  EXPECT_LE(customize->mapTo(bar->widget(), QPoint(customize->width(), 0)).x(), 500);
  EXPECT_GT(customize->mapTo(bar->widget(), QPoint(customize->width(), 0)).x(), 480);
  EXPECT_TRUE(Ref<Object>(bar)->get(u"Parent").rawObject() == form);
  keepOpen = true;
  EXPECT_FALSE(form->widget()->close());
  EXPECT_TRUE(form->widget()->isVisible());
  keepOpen = false;
  EXPECT_TRUE(form->widget()->close());
  EXPECT_EQ(log, "Unload;Unload;");
}

TEST(ControlsLifetime, AFormThatEndsFirstLeavesItsControlsWithoutAParent) {
  Ref<ToolbarControl> bar;
  Ref<SplitterControl> split;
  {
    Ref<ChildForm> form = make<ChildForm>();
    bar = make<ToolbarControl>(*form);
    split = make<SplitterControl>(*form);
  }
  EXPECT_FALSE(Ref<Object>(bar)->get(u"Parent").rawObject());
  split->put_Top(300);  // no form to lay out: the splitter alone moves
  EXPECT_EQ(split->Top(), 300);
}

}  // namespace
}  // namespace lv8int
