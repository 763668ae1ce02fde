// The toolbar manager against the real Qt controls (a child form with a toolbar and a splitter,
// the main window's menu control), driven offscreen with key and mouse events; and against a
// fake control that offers the same members and events through IConnectable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CApplication.h"
#include "config/modXMLRegMethod.h"
#include "console/CToolbar.h"
#include "platform/automation/IConnectable.h"
#include "platform/controls/ChildForm.h"
#include "platform/controls/SplitterControl.h"
#include "platform/controls/ToolbarControl.h"
#include "platform/host/IMenuTarget.h"
#include "platform/xml/XmlParseError.h"
#include "support/AppHarness.h"
#include "support/RaisedError.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

namespace lv8int {
namespace {

using ::testing::HasSubstr;

constexpr char kDefinitions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Root>
  <frmVoucher>
    <tool ToolBand="Standard" ToolName="Save" MenuName="mnuFileSave" ShortCut="S"/>
    <tool ToolBand="Standard" ToolName="Print" MenuName="mnuFilePrint" ShortCut="P"/>
    <tool ToolBand="Standard" ToolName="Delete" MenuName="mnuEditDelete" ShortCut="D"/>
    <tool ToolBand="Standard" ToolName="Print" MenuName="mnuFirstE" ShortCut="E"/>
    <tool ToolBand="Standard" ToolName="Save" MenuName="mnuSecondE" ShortCut="E"/>
    <tool ToolBand="" ToolName="" MenuName="mnuFilePreview" ShortCut="V"/>
    <tool ToolBand="" ToolName="" MenuName="mnuFileExport" ShortCut="X"/>
    <tool ToolBand="Edit" ToolName="Undo" MenuName="mnuEditUndo" ShortCut="Z" Extra="ignored"/>
    <tool ToolBand="" ToolName="" MenuName="mnuSelectAll" ShortCut="A"/>
  </frmVoucher>
  <frmEmpty/>
  <frmPlain><tool ToolBand="Standard" ToolName="Save" MenuName="" ShortCut="S"/></frmPlain>
  <frmNoMenu><tool ToolBand="Standard" ToolName="Save" ShortCut="S"/></frmNoMenu>
  <frmPartly>
    <tool ToolBand="Standard" ToolName="Save" MenuName="mnuFileSave" ShortCut="S"/>
    <tool ToolBand="Standard" ToolName="Print" MenuName="mnuFilePrint"/>
    <tool ToolBand="Standard" ToolName="Delete" MenuName="mnuEditDelete" ShortCut="D"/>
  </frmPartly>
  <frmEmptyKey><tool ToolBand="Standard" ToolName="Save" MenuName="m" ShortCut=""/></frmEmptyKey>
  <frmNoBand><tool ToolBand="Nowhere" ToolName="Save" MenuName="m" ShortCut="S"/></frmNoBand>
  <frmNoTool><tool ToolBand="Standard" ToolName="Nothing" MenuName="m" ShortCut="S"/></frmNoTool>
</Root>
)";

// A host's child form that runs menu commands.
class VoucherForm : public ChildForm, public IMenuTarget {
 public:
  VoucherForm() : ChildForm(u"凭证录入") {}
  void ExecuteMenu(const String& MenuName) override { executed.push_back(toUtf8(MenuName)); }
  std::vector<std::string> executed;
};

class Toolbar : public ::testing::Test {
 protected:
  Toolbar() {
    h.init();
    EXPECT_TRUE(h.loginAs(u"alice", u"17"));
    writeDefinitions(kDefinitions);
    menu->addBand(u"File", ToolbarBand::Popup);
    for (const char16_t* name : {u"mnuFileSave", u"mnuFilePreview", u"mnuFileExport", u"mnuEditFind", u"mnuSelectAll"})
      menu->band(u"File")->Tools()->Add(int32_t(menu->band(u"File")->Tools()->Count() + 1), name);
    menu->band(u"File")->Tools()->Item(Variant(u"mnuFileExport"))->put_Enabled(false);
    h.form->menu = Variant(Ref<Object>(menu));
    buildForm(*form, bar, split);
  }
  ~Toolbar() override { h.form->menu = Variant(); }

  void writeDefinitions(std::string_view text) {
    std::filesystem::create_directories(h.tree.systemFolder() + "ShortCut");
    std::ofstream(h.tree.systemFolder() + "ShortCut/SCDefine.xml", std::ios::binary) << text;
  }

public:
  // A toolbar with the bands Standard (保存 打印 删除) and Edit (撤销), a splitter holding a
  // text box, as a host lays its child form out.
  static void buildForm(VoucherForm& f, Ref<ToolbarControl>& toolbar, Ref<SplitterControl>& splitter) {
    toolbar = make<ToolbarControl>(f);
    for (auto [band, tools] : {std::pair{u"Standard", std::vector<std::pair<const char16_t*, const char16_t*>>{
                                                          {u"Save", u"保存"}, {u"Print", u"打印"}, {u"Delete", u"删除"}}},
                               std::pair{u"Edit", std::vector<std::pair<const char16_t*, const char16_t*>>{{u"Undo", u"撤销"}}}}) {
      Ref<ToolbarBand> b = toolbar->addBand(band);
      for (auto [name, caption] : tools) b->Tools()->Add(b->Tools()->Count() + 1, name)->put_Caption(caption);
    }
    splitter = make<SplitterControl>(f);
    splitter->splitter()->addWidget(new QPlainTextEdit);
    f.widget()->show();
  }

protected:
  Ref<ToolbarTool> tool(const char16_t* band, const char16_t* name) const {
    return bar->band(band)->Tools()->Item(Variant(name));
  }
  std::string stored(const String& path) const {
    return toUtf8(CStr(modXMLRegMethod::GetConfigValue(h.app, path, Variant(u"<none>"), true)));
  }
  QPlainTextEdit* textBox() const { return static_cast<QPlainTextEdit*>(split->splitter()->widget(0)); }
  // Ctrl (+ more) and a key on the text box that has the focus; the key code a later sink saw.
  int32_t press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    int32_t seen = -1;
    auto observer = make<EventSink>();
    observer->on(u"KeyDown", [&](Args& a) { seen = CLng(a[0]); });
    const int cookie = form->events().connect(observer);
    QTest::keyClick(textBox(), key, mods);
    form->events().disconnect(cookie);
    return seen;
  }
  // Opens the customize band with the mouse; the menu that shows.
  QMenu* openCustomize() {
    QTest::mouseClick(bar->dropDownOf(u"SysCustomize"), Qt::LeftButton);
    return bar->openMenu();
  }
  static std::vector<std::string> captions(QMenu* m) {
    std::vector<std::string> out;
    for (QAction* a : m->actions()) out.push_back(a->text().toStdString() + (a->isChecked() ? "[x]" : ""));
    return out;
  }
  void clickInMenu(QMenu* m, const QString& caption) {
    for (QAction* a : m->actions())
      if (a->text() == caption) return QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
    ADD_FAILURE() << "no menu item " << caption.toStdString();
  }

  test::AppHarness h;
  Ref<ToolbarControl> menu = make<ToolbarControl>(false);
  Ref<VoucherForm> form = make<VoucherForm>();
  Ref<ToolbarControl> bar;
  Ref<SplitterControl> split;
  Ref<CToolbar> toolbar = h.app->Toolbar();
};

using test::errorOf;

TEST_F(Toolbar, FirstRunSetsUpTheBarAndPutsTheSplitterRightBelowIt) {
  toolbar->SetAB2(bar, u"frmVoucher");
  EXPECT_FALSE(bar->TabStop());
  EXPECT_TRUE(bar->UserDefinedCustomization());
  EXPECT_FALSE(bar->LargeIcons());
  for (const char16_t* b : {u"Standard", u"Edit", u"SysCustomize"}) EXPECT_EQ(bar->band(b)->GrabHandleStyle(), 1);
  for (auto [b, t] : {std::pair{u"Standard", u"Save"}, {u"Standard", u"Delete"}, {u"Edit", u"Undo"}}) {
    EXPECT_EQ(tool(b, t)->Style(), 2);
    EXPECT_EQ(tool(b, t)->CaptionPosition(), 4);
  }
  EXPECT_EQ(bar->buttonOf(u"Save")->toolButtonStyle(), Qt::ToolButtonIconOnly);
  EXPECT_EQ(bar->buttonOf(u"Save")->iconSize(), QSize(16, 16));
  // Two pixels more than the first band, and the content from there on.
  EXPECT_EQ(bar->Height(), bar->band(u"Standard")->Height() + 30);
  EXPECT_EQ(split->splitter()->y(), bar->widget()->y() + bar->widget()->height());
  EXPECT_EQ(split->splitter()->height(), form->widget()->height() - split->splitter()->y());
  EXPECT_EQ(stored(u"General/MDIChild/ViewToolText"), "<none>");  // set-up saves nothing
}

TEST_F(Toolbar, AFormWithoutASplitterGetsItsEventsHandledAndNothingElse) {
  Ref<VoucherForm> plain = make<VoucherForm>();
  Ref<ToolbarControl> plainBar = make<ToolbarControl>(*plain);
  plainBar->addBand(u"Standard")->Tools()->Add(1, u"Save")->put_Caption(u"保存");
  const int32_t height = plainBar->Height();
  toolbar->SetAB2(plainBar, u"frmPlain");
  EXPECT_TRUE(plainBar->TabStop());
  EXPECT_FALSE(plainBar->UserDefinedCustomization());
  EXPECT_EQ(plainBar->band(u"Standard")->GrabHandleStyle(), 0);
  EXPECT_EQ(plainBar->band(u"Standard")->Tools()->Item(Variant(u"Save"))->Style(), 0);
  EXPECT_EQ(plainBar->Height(), height);
  EXPECT_EQ(CStr(plainBar->band(u"Standard")->Tools()->Item(Variant(u"Save"))->Description()), u"保存 (Ctrl-S)");
  QTest::keyClick(plain->widget(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(plain->executed, std::vector<std::string>{""});  // the entry has no MenuName
}

TEST_F(Toolbar, TheCustomizeMenuTogglesAndStoresBothViewOptions) {
  toolbar->SetAB2(bar, u"frmVoucher");
  QMenu* m = openCustomize();
  ASSERT_TRUE(m);
  m->close();
  m = openCustomize();
  ASSERT_TRUE(m);
  // Opened twice: the control's own tool hidden, each view option once.
  EXPECT_EQ(captions(m), (std::vector<std::string>{"按钮文字", "大图标"}));
  clickInMenu(m, "按钮文字");
  for (auto [b, t] : {std::pair{u"Standard", u"Save"}, {u"Standard", u"Delete"}, {u"Edit", u"Undo"}})
    EXPECT_EQ(tool(b, t)->Style(), 3);
  EXPECT_EQ(bar->buttonOf(u"Save")->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  EXPECT_EQ(bar->Height(), bar->band(u"Standard")->Height() + 30);
  EXPECT_EQ(split->splitter()->y(), bar->widget()->y() + bar->widget()->height());
  EXPECT_EQ(stored(u"General/MDIChild/ViewToolText"), "1");
  EXPECT_EQ(stored(u"General/MDIChild/LargeIcons"), "<none>");

  const int before = bar->widget()->height();
  m = openCustomize();
  EXPECT_EQ(captions(m), (std::vector<std::string>{"按钮文字[x]", "大图标"}));
  clickInMenu(m, "大图标");
  EXPECT_TRUE(bar->LargeIcons());
  EXPECT_EQ(bar->buttonOf(u"Save")->iconSize(), QSize(32, 32));
  EXPECT_GT(bar->widget()->height(), before);
  EXPECT_EQ(split->splitter()->y(), bar->widget()->y() + bar->widget()->height());
  EXPECT_EQ(stored(u"General/MDIChild/LargeIcons"), "1");

  clickInMenu(openCustomize(), "按钮文字");
  EXPECT_EQ(tool(u"Edit", u"Undo")->Style(), 2);
  EXPECT_EQ(stored(u"General/MDIChild/ViewToolText"), "<none>");
  EXPECT_EQ(stored(u"General/MDIChild/LargeIcons"), "1");

  // The next form starts with the stored options.
  Ref<VoucherForm> next = make<VoucherForm>();
  Ref<ToolbarControl> nextBar;
  Ref<SplitterControl> nextSplit;
  buildForm(*next, nextBar, nextSplit);
  toolbar->SetAB2(nextBar, u"frmVoucher");
  EXPECT_TRUE(nextBar->LargeIcons());
  EXPECT_EQ(nextBar->band(u"Standard")->Tools()->Item(Variant(u"Save"))->Style(), 2);
}

TEST_F(Toolbar, ABandWhoseFirstToolHasTheStyleIsLeftAsItIs) {
  tool(u"Standard", u"Save")->put_Style(2);
  tool(u"Standard", u"Print")->put_Style(1);
  tool(u"Edit", u"Undo")->put_Style(1);
  toolbar->SetAB2(bar, u"frmVoucher");
  EXPECT_EQ(tool(u"Standard", u"Print")->Style(), 1);
  EXPECT_EQ(tool(u"Standard", u"Print")->CaptionPosition(), 0);
  EXPECT_EQ(tool(u"Edit", u"Undo")->Style(), 2);
}

TEST_F(Toolbar, DescriptionsGetTheShortcutOnceWhateverTheyHeld) {
  tool(u"Standard", u"Print")->put_Description(u"打印凭证");
  tool(u"Standard", u"Delete")->put_Description(u"删除 (CTRL+D)");
  toolbar->SetAB2(bar, u"frmVoucher");
  toolbar->SetAB2(bar, u"frmVoucher");
  EXPECT_EQ(tool(u"Standard", u"Save")->Description(), u"保存 (Ctrl-S)");
  EXPECT_EQ(tool(u"Standard", u"Print")->Description(), u"打印凭证 (Ctrl-P)");
  EXPECT_EQ(tool(u"Standard", u"Delete")->Description(), u"删除 (CTRL+D)");
  EXPECT_EQ(bar->buttonOf(u"Save")->toolTip().toStdString(), "保存 (Ctrl-S)");
  EXPECT_EQ(bar->buttonOf(u"Save")->statusTip().toStdString(), "保存 (Ctrl-S)");
}

TEST_F(Toolbar, CtrlKeysRunTheFirstEntryOfTheirKeyAndSwallowTheKeyOnlyWhenItRan) {
  tool(u"Standard", u"Print")->put_Visible(false);
  tool(u"Standard", u"Delete")->put_Enabled(false);
  toolbar->SetAB2(bar, u"frmVoucher");
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* executed;  // "" when nothing runs
  } cases[] = {
      {Qt::Key_S, Qt::ControlModifier, "mnuFileSave"},
      {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, ""},
      {Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, ""},
      {Qt::Key_S, Qt::NoModifier, ""},
      {Qt::Key_P, Qt::ControlModifier, ""},       // hidden tool: the menu is not tried
      {Qt::Key_D, Qt::ControlModifier, ""},       // disabled tool
      {Qt::Key_E, Qt::ControlModifier, ""},       // the first entry of E decides (hidden tool)
      {Qt::Key_V, Qt::ControlModifier, "mnuFilePreview"},  // menu only
      {Qt::Key_X, Qt::ControlModifier, ""},       // menu tool disabled
      {Qt::Key_Z, Qt::ControlModifier, ""},       // hidden tool on its band
      {Qt::Key_Q, Qt::ControlModifier, ""},       // no entry
  };
  tool(u"Edit", u"Undo")->put_Visible(false);
  for (const Case& c : cases) {
    form->executed.clear();
    const int32_t code = ChildForm::keyCodeOf(c.key);
    const int32_t seen = press(c.key, c.mods);
    const bool ran = *c.executed != 0;
    EXPECT_EQ(form->executed, ran ? std::vector<std::string>{c.executed} : std::vector<std::string>{})
        << "key " << char(code) << " modifiers " << c.mods.toInt();
    EXPECT_EQ(seen, ran ? 0 : code) << "key " << char(code);
  }
  // A key that ran its command never reaches the text box; one that ran nothing does.
  textBox()->setPlainText(QStringLiteral("摘要"));
  form->executed.clear();
  press(Qt::Key_A);
  EXPECT_EQ(form->executed, std::vector<std::string>{"mnuSelectAll"});
  EXPECT_EQ(textBox()->textCursor().selectedText().toStdString(), "");
  menu->band(u"File")->Tools()->Item(Variant(u"mnuSelectAll"))->put_Enabled(false);
  press(Qt::Key_A);
  EXPECT_EQ(textBox()->textCursor().selectedText().toStdString(), "摘要");

  // With the main toolbar attached no key is a shortcut.
  toolbar->putref_objAB2(bar);
  form->executed.clear();
  EXPECT_EQ(press(Qt::Key_S), ChildForm::keyCodeOf(Qt::Key_S));
  EXPECT_TRUE(form->executed.empty());
}

TEST_F(Toolbar, LoadingErrorsReachSetAB2AndKeepTheEntriesReadSoFar) {
  struct Case {
    const char* form;
    int32_t error;
    size_t entries;  // the array's size after the failure
    const char* firstMenu;
  } cases[] = {
      {"frmMissing", err::ObjectNotSet, 0, ""},
      {"*", err::ObjectNotSet, 0, ""},  // a key is a name, not an expression
      {"frmVoucher[1", err::ObjectNotSet, 0, ""},
      {"", err::ObjectNotSet, 0, ""},
      {"frmEmpty", err::SubscriptOutOfRange, 0, ""},
      {"frmNoMenu", err::InvalidUseOfNull, 1, ""},
      {"frmPartly", err::InvalidUseOfNull, 3, "mnuFileSave"},
      {"frmEmptyKey", err::InvalidProcedureCall, 1, "m"},
      {"frmNoBand", err::InvalidProcedureCall, 1, "m"},
      {"frmNoTool", err::InvalidProcedureCall, 1, "m"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(errorOf([&] { toolbar->SetAB2(bar, fromUtf8(c.form)); }), c.error) << c.form;
    ASSERT_EQ(toolbar->shortcuts().size(), c.entries) << c.form;
    if (c.entries) {
      EXPECT_EQ(toUtf8(toolbar->shortcuts()[0].MenuName), c.firstMenu) << c.form;
    }
    // The control is attached all the same.
    EXPECT_TRUE(toolbar->attachedControl() == bar);
  }
  // frmPartly: the entry after the failing one is there but empty, and never a shortcut.
  EXPECT_EQ(errorOf([&] { toolbar->SetAB2(bar, u"frmPartly"); }), err::InvalidUseOfNull);
  EXPECT_EQ(toolbar->shortcuts()[1].ToolName, u"Print");
  EXPECT_EQ(toolbar->shortcuts()[2].key, 0);
  EXPECT_EQ(press(Qt::Key_S), 0);
  // After an early failure a Ctrl key is ignored, never an error.
  EXPECT_EQ(errorOf([&] { toolbar->SetAB2(bar, u"frmMissing"); }), err::ObjectNotSet);
  form->executed.clear();
  EXPECT_EQ(press(Qt::Key_S), ChildForm::keyCodeOf(Qt::Key_S));
  EXPECT_TRUE(form->executed.empty());
}

TEST_F(Toolbar, TheDefinitionsAreReadOnceAndAFailedLoadIsKept) {
  writeDefinitions("<Root><frmVoucher><tool ToolBand=\"Standard\"</frmVoucher></Root>");
  Ref<CToolbar> fresh = make<CToolbar>();
  const AutomationError malformed = test::raisedError([&] { fresh->SetAB2(bar, u"frmVoucher"); });
  EXPECT_LT(malformed.number(), 0);  // the parser's code
  EXPECT_NE(malformed.number(), xml::xmlerr::FileNotFound);
  EXPECT_FALSE(malformed.description().empty());
  writeDefinitions(kDefinitions);
  // The same object keeps the failed document: the form element is not found.
  EXPECT_EQ(errorOf([&] { fresh->SetAB2(bar, u"frmVoucher"); }), err::ObjectNotSet);
  // The application's own toolbar manager reads the mended file; a later change is not seen.
  toolbar->SetAB2(bar, u"frmVoucher");
  EXPECT_EQ(toolbar->shortcuts().size(), 9u);
  writeDefinitions("<Root/>");
  toolbar->SetAB2(bar, u"frmVoucher");
  EXPECT_EQ(toolbar->shortcuts().size(), 9u);
  // A missing file is its own code.
  std::filesystem::remove(h.tree.systemFolder() + "ShortCut/SCDefine.xml");
  EXPECT_EQ(errorOf([&] { make<CToolbar>()->SetAB2(bar, u"frmVoucher"); }), xml::xmlerr::FileNotFound);
}

TEST_F(Toolbar, ClosingOrLeavingTheFormDetaches) {
  toolbar->SetAB2(bar, u"frmVoucher");
  form->widget()->close();
  EXPECT_FALSE(toolbar->attachedControl());
  EXPECT_FALSE(toolbar->attachedSplitter());
  EXPECT_EQ(form->events().sinkCount(), 0u);
  EXPECT_EQ(bar->events().sinkCount(), 0u);

  // In an MDI area, another child becoming active deactivates the first.
  QMdiArea area;
  Ref<VoucherForm> other = make<VoucherForm>();
  Ref<ToolbarControl> otherBar;
  Ref<SplitterControl> otherSplit;
  buildForm(*other, otherBar, otherSplit);
  QMdiSubWindow* first = area.addSubWindow(form->widget());
  QMdiSubWindow* second = area.addSubWindow(other->widget());
  area.show();
  first->show();
  second->show();
  area.setActiveSubWindow(first);
  toolbar->SetAB2(bar, u"frmVoucher");
  area.setActiveSubWindow(second);
  EXPECT_FALSE(toolbar->attachedControl());
  area.removeSubWindow(form->widget());
  area.removeSubWindow(other->widget());
}

TEST(ToolbarBeforeInit, SetAB2AttachesAndFailsWithoutAConfigurationWhileKeysStayQuiet) {
  Ref<VoucherForm> form = make<VoucherForm>();
  Ref<ToolbarControl> bar;
  Ref<SplitterControl> split;
  Toolbar::buildForm(*form, bar, split);
  Ref<CToolbar> toolbar = make<CToolbar>();
  EXPECT_EQ(errorOf([&] { toolbar->SetAB2(bar, u"frmVoucher"); }), err::ObjectNotSet);
  EXPECT_TRUE(toolbar->attachedSplitter() == split);
  QTest::keyClick(form->widget(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(form->executed.empty());
  toolbar->SetAB2(Ref<Object>(), u"");
}

// A control and a form of another make: every member by name, events through IConnectable.
class FakeForm : public IConnectable, public IMenuTarget {
 public:
  EventSource& events() override { return events_; }
  Variant invoke(StringView name, InvokeKind, Args&) override {
    if (equalsNoCase(name, u"Controls")) return Variant(Ref<Object>(controls));
    raiseError(err::MemberNotSupported);
  }
  void ExecuteMenu(const String& MenuName) override { executed += toUtf8(MenuName) + ";"; }
  EventSource events_;
  Ref<Collection> controls = make<Collection>();
  std::string executed;
};

class FakeToolbar : public IConnectable {
 public:
  EventSource& events() override { return events_; }
  // Everything but the form goes to a control that sits on no form.
  Variant invoke(StringView name, InvokeKind kind, Args& args) override {
    log += toUtf8(name) + ";";
    if (equalsNoCase(name, u"Parent")) return Variant(Ref<Object>(form));
    return inner->invoke(name, kind, args);
  }
  EventSource events_;
  Ref<ToolbarControl> inner = make<ToolbarControl>();
  Ref<FakeForm> form = make<FakeForm>();
  std::string log;
};

class FakeSplitter : public Object {
 public:
  Variant invoke(StringView name, InvokeKind kind, Args& args) override {
    log += toUtf8(name) + (kind == InvokeKind::PropertyPut ? "=" + toUtf8(CStr(args.back())) : "") + ";";
    return Variant(int32_t{0});
  }
  String typeName() const override { return u"Splitter"; }
  std::string log;
};

TEST_F(Toolbar, AnyControlOfferingTheMembersAndEventsWillDo) {
  auto fake = make<FakeToolbar>();
  fake->inner->addBand(u"Standard")->Tools()->Add(1, u"Save")->put_Caption(u"保存");
  auto splitter = make<FakeSplitter>();
  fake->form->controls->Add(Variant(u"a text box"));
  fake->form->controls->Add(Variant(Ref<Object>(splitter)));
  toolbar->SetAB2(fake, u"frmPlain");
  EXPECT_EQ(fake->log.substr(0, 6), "Parent");
  EXPECT_THAT(fake->log, HasSubstr("TabStop;UserDefinedCustomization;Bands;"));
  EXPECT_EQ(splitter->log.rfind("Top=", 0), 0u) << splitter->log;
  ASSERT_EQ(fake->events().sinkCount(), 1u);
  ASSERT_EQ(fake->form->events().sinkCount(), 1u);

  // Its events reach the handlers: the customize band, a tool click, a key, leaving.
  Variant cancel(false);
  Args open{Variant(Ref<Object>(fake->inner->band(u"SysCustomize"))), Variant::byRef(cancel)};
  fake->events().raise(u"BandOpen", open);
  EXPECT_FALSE(CBool(cancel));
  Ref<ToolbarTools> custom = fake->inner->band(u"SysCustomize")->Tools();
  EXPECT_FALSE(custom->Item(Variant(int32_t{1}))->Visible());
  EXPECT_EQ(custom->Item(Variant(u"ViewToolText"))->Caption(), u"按钮文字");
  Args click{Variant(Ref<Object>(custom->Item(Variant(u"ViewToolText"))))};
  fake->events().raise(u"ToolClick", click);
  EXPECT_EQ(fake->inner->band(u"Standard")->Tools()->Item(Variant(u"Save"))->Style(), 3);
  EXPECT_EQ(stored(u"General/MDIChild/ViewToolText"), "1");

  Variant key(int16_t{'S'});
  Args down{Variant::byRef(key), Variant(int16_t{2})};
  fake->form->events().raise(u"KeyDown", down);
  EXPECT_EQ(CLng(key), 0);
  EXPECT_EQ(fake->form->executed, ";");

  Args none;
  fake->form->events().raise(u"Deactivate", none);
  EXPECT_EQ(fake->events().sinkCount(), 0u);
  EXPECT_EQ(fake->form->events().sinkCount(), 0u);
}

}  // namespace
}  // namespace lv8int
