// The console: forwarding to the host's main form by name, the main form attached once, BandOpen
// with its by-reference Cancel, the progress window it owns, and CreateComponent's exit.
#include <gtest/gtest.h>

#include <QProcess>
#include <QPointer>
#include <QProcessEnvironment>
#include <QWidget>
#include <cstdio>
#include <filesystem>

#include "app/CApplication.h"
#include "app/CBaseInfo.h"
#include "app/GZRGNTUtil.h"
#include "console/CConsole.h"
#include "console/ProgressDialog.h"
#include "console/frmProgress.h"
#include "console/modClassSecurity.h"
#include "help/HelpWindow.h"
#include "config/CConfig.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/EventSource.h"
#include "platform/windows/IWindows.h"
#include "support/AppHarness.h"
#include "support/ChildProcess.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"
#include "support/TestHostForm.h"

namespace lv8int {
namespace {

// Child mode: "--lv8-child=create-component --progid=<ProgID>" runs CreateComponent without a
// QApplication (the message box answers on standard error) and must not come back.
bool runCreateComponentChild() {
  if (test::commandLineOption("lv8-child") != "create-component") return false;
  std::printf("before the creation;");  // buffered: must still reach the parent
  modClassSecurity::CreateComponent(fromUtf8(test::commandLineOption("progid").value_or("")));
  std::printf("CreateComponent returned\n");
  std::fflush(nullptr);
  std::_Exit(0);
}
const bool createComponentChildChecked = runCreateComponentChild();

using test::errorOf;

class Console : public ::testing::Test {
 protected:
  Console() { console->AttachMainForm(form); }
  ~Console() override { form->dropConsole(); }

  Ref<test::TestHostForm> form = make<test::TestHostForm>();
  Ref<CConsole> console = make<CConsole>();
};

TEST_F(Console, AttachingHandsTheFormTheConsoleItselfOnce) {
  EXPECT_EQ(form->log(), "SetConsole(<object>)");
  EXPECT_TRUE(form->console() == console);
  auto other = make<test::TestHostForm>();
  console->AttachMainForm(other);
  EXPECT_EQ(other->log(), "");
  EXPECT_EQ(form->log(), "SetConsole(<object>)");
  EXPECT_TRUE(console->Object_() == form);
  EXPECT_EQ(console->hwnd(), IWindows::current().handleOf(form->widget()));
}

TEST_F(Console, RequestsReachTheFormByNameWithEmptyTextsForOmittedArguments) {
  form->clearCalls();
  Ref<Object> child = make<CBaseInfo>();
  Variant childVar(child);
  Args registerArgs{Variant::byRef(childVar)};
  console->invoke(u"RegisterChildForm", InvokeKind::Method, registerArgs);
  console->call(u"RegisterChildForm", {Variant(child), Variant(u"mnuVoucher")});
  console->call(u"ShowChildForm", {Variant(child)});
  console->call(u"HideChildForm", {Variant(child)});
  console->call(u"SetStatusText");
  console->call(u"SetStatusText", {Variant(u"就绪")});
  console->call(u"SetStatusText", {Variant(u"保存中"), Variant(u"tbSave")});
  console->call(u"LoadMenu", {Variant(u"总账/凭证")});
  console->call(u"ChangeLanguage");
  console->call(u"LoadSubSystem", {Variant(u"GL")});
  EXPECT_EQ(form->log(),
            "RegisterChildForm(<object>,); RegisterChildForm(<object>,mnuVoucher); ShowChildForm(<object>); "
            "HideChildForm(<object>); SetStatusText(,); SetStatusText(就绪,); SetStatusText(保存中,tbSave); "
            "LoadMenu(总账/凭证); ChangeLanguage(); LoadSubSystem(GL)");
  // The child form is passed through as the same object.
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(form->calls()[i].args[0].rawObject() == child) << i;
  EXPECT_TRUE(childVar.rawObject() == child);
}

TEST_F(Console, ShowHideAndMenuUseTheFormItself) {
  console->call(u"Show");
  EXPECT_TRUE(form->widget()->isVisible());
  console->Hide();
  EXPECT_FALSE(form->widget()->isVisible());
  EXPECT_TRUE(console->get(u"Menu").rawObject() == form->menu.rawObject());
  EXPECT_TRUE(console->get(u"Object").rawObject() == form);
  form->menu = Variant(u"not a control");
  EXPECT_EQ(errorOf([&] { console->Menu(); }), err::ObjectRequired);
}

TEST_F(Console, AFailingFormMemberReachesTheCallerUnchanged) {
  form->failOn(u"LoadMenu", 1004);
  try {
    console->LoadMenu(u"总账");
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 1004);
    EXPECT_EQ(e.source(), u"TestHostForm");
  }
}

TEST(ConsoleWithoutForm, ForwardingFailsWithObjectNotSetWhileHwndAndObjectAreEmpty) {
  auto console = make<CConsole>();
  EXPECT_EQ(console->hwnd(), 0);
  EXPECT_FALSE(console->Object_());
  EXPECT_TRUE(console->get(u"Object").isObject());
  const std::vector<std::pair<const char16_t*, Args>> calls = {
      {u"ChangeLanguage", {}},      {u"LoadMenu", {Variant(u"x")}},
      {u"RegisterChildForm", {Variant(Ref<Object>(make<CBaseInfo>()))}},
      {u"ShowChildForm", {Variant(Ref<Object>(make<CBaseInfo>()))}},
      {u"HideChildForm", {Variant(Ref<Object>(make<CBaseInfo>()))}},
      {u"Show", {}},                {u"Hide", {}},
      {u"SetStatusText", {}},       {u"Menu", {}},
      {u"LoadSubSystem", {Variant(u"GL")}},
  };
  for (auto [name, args] : calls)
    EXPECT_EQ(errorOf([&] { console->invoke(name, InvokeKind::Method, args); }), err::ObjectNotSet) << toUtf8(name);
}

TEST(ConsoleWithoutForm, AnObjectThatIsNoMainFormIsRefusedAndLeavesNoForm) {
  auto console = make<CConsole>();
  EXPECT_EQ(errorOf([&] { console->AttachMainForm(make<CBaseInfo>()); }), err::TypeMismatch);
  EXPECT_FALSE(console->Object_());
  EXPECT_EQ(errorOf([&] { console->ChangeLanguage(); }), err::ObjectNotSet);
  auto form = make<test::TestHostForm>();
  console->AttachMainForm(form);
  EXPECT_TRUE(console->Object_() == form);
  form->dropConsole();
}

TEST(ConsoleEvents, BandOpenGivesTheListenersCancelByReference) {
  auto console = make<CConsole>();
  // No listener: the caller's variable stays False.
  Variant cancel(false);
  Args args{Variant(u"SysCustomize"), Variant::byRef(cancel)};
  console->invoke(u"RaiseEventBandOpen", InvokeKind::Method, args);
  EXPECT_FALSE(CBool(cancel));

  String bandSeen;
  auto keeper = make<EventSink>();
  keeper->on(u"BandOpen", [&](Args& a) { bandSeen = CStr(a[0]); });
  auto canceller = make<EventSink>();
  canceller->on(u"BandOpen", [](Args& a) { a[1].assign(Variant(true)); });
  console->events().connect(keeper);
  console->invoke(u"RaiseEventBandOpen", InvokeKind::Method, args);
  EXPECT_FALSE(CBool(cancel));
  EXPECT_EQ(bandSeen, u"SysCustomize");

  console->events().connect(canceller);
  console->invoke(u"RaiseEventBandOpen", InvokeKind::Method, args);
  EXPECT_TRUE(CBool(cancel));
  bool direct = false;
  console->RaiseEventBandOpen(u"Standard", direct);
  EXPECT_TRUE(direct);
}

TEST(ConsoleState, IsClosingAndApplication) {
  auto console = make<CConsole>();
  EXPECT_FALSE(console->get(u"IsClosing").rawBool());
  console->put(u"IsClosing", Variant(true));
  EXPECT_TRUE(console->IsClosing());
  EXPECT_TRUE(console->get(u"Application").rawObject() == GZRGNTUtil::sharedApplication());
}

TEST(ConsoleProgress, OneHiddenWindowThatIsUnloadedWhenTheConsoleEnds) {
  auto console = make<CConsole>();
  Ref<IProgressBar> bar = console->ProgressBar();
  ASSERT_TRUE(bar);
  EXPECT_TRUE(console->get(u"ProgressBar").rawObject() == bar);
  auto* window = dynamic_cast<frmProgress*>(bar.get());
  ASSERT_NE(window, nullptr);
  ASSERT_NE(window->dialog(), nullptr);
  EXPECT_FALSE(window->dialog()->isVisible());
  console = nullptr;
  EXPECT_EQ(window->dialog(), nullptr);
}

TEST(ConsoleHelp, ContextNumbersZeroToTwoOpenThePagesAndOthersATopicOfTheFileNamedOnce) {
  test::AppHarness h;
  const std::string chm = h.tree.hostFolder() + "help/lv8test.chm";
  std::filesystem::create_directories(h.tree.hostFolder() + "help");
  std::filesystem::copy_file(std::string(LV8_TEST_FIXTURES) + "/help/sample.chm", chm);
  h.init();
  Ref<CConsole> console = h.app->Console();

  console->ShowHelp(0);
  HelpWindow* window = HelpWindow::current();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->filePath(), chm);
  EXPECT_EQ(window->currentTab(), HelpWindow::ContentsTab);
  console->call(u"ShowHelp", {Variant(int32_t{1})});
  EXPECT_EQ(HelpWindow::current()->currentTab(), HelpWindow::IndexTab);
  console->ShowHelp(2);
  EXPECT_EQ(HelpWindow::current()->currentTab(), HelpWindow::SearchTab);
  console->ShowHelp(100);
  EXPECT_EQ(HelpWindow::current()->currentPage(), "/ledger.htm");
  console->ShowHelp(3);
  EXPECT_TRUE(HelpWindow::current()->message().contains(QStringLiteral("3"))) << HelpWindow::current()->message().toStdString();

  // The file name was taken from the configuration on the first call only.
  h.tree.writeUserXml("overlay", {{"ApplicationHelpFile", "help/other.chm"}});
  h.app->Config()->Reload(fromUtf8(h.tree.userFolder("overlay") + "user.xml"));
  console->ShowHelp(200);
  EXPECT_EQ(HelpWindow::current()->filePath(), chm);
  EXPECT_EQ(HelpWindow::current()->currentPage(), "/vouchers.htm");

  // The console's end closes help.
  h.app->Terminate();
  h.form->dropConsole();
  console = nullptr;
  EXPECT_TRUE(test::waitUntil([] { return HelpWindow::current() == nullptr || !HelpWindow::current()->isVisible(); }));
}

// A host that keeps the console it was given for as long as its form lives, and never lets go.
class KeepingHostForm : public test::TestHostForm {
 public:
  explicit KeepingHostForm(bool& ended) : ended_(ended) {}
  ~KeepingHostForm() override { ended_ = true; }

 private:
  bool& ended_;
};

TEST(ConsoleKeptByTheHost, AfterTerminateItHoldsNeitherTheFormNorItsWindows) {
  test::AppHarness h;
  std::filesystem::create_directories(h.tree.hostFolder() + "help");
  std::filesystem::copy_file(std::string(LV8_TEST_FIXTURES) + "/help/sample.chm",
                             h.tree.hostFolder() + "help/lv8test.chm");
  bool formEnded = false;
  h.form = make<KeepingHostForm>(formEnded);
  h.init();
  Ref<CConsole> console = h.app->Console();
  QPointer<ProgressDialog> progress = dynamic_cast<frmProgress*>(console->ProgressBar().get())->dialog();
  ASSERT_TRUE(progress);
  console->ShowHelp(0);
  ASSERT_NE(HelpWindow::current(), nullptr);

  h.app->Terminate();
  EXPECT_FALSE(progress);
  EXPECT_TRUE(test::waitUntil([] { return HelpWindow::current() == nullptr || !HelpWindow::current()->isVisible(); }));
  EXPECT_FALSE(console->Object_());
  EXPECT_EQ(errorOf([&] { console->ProgressBar(); }), err::ObjectNotSet);
  EXPECT_EQ(errorOf([&] { console->ShowHelp(0); }), err::ObjectNotSet);
  EXPECT_EQ(errorOf([&] { console->SetStatusText(u"x", u""); }), err::ObjectNotSet);

  // The host lets go of its form only: the form, and the console it kept, end with it.
  console = nullptr;
  h.form = nullptr;
  EXPECT_TRUE(formEnded);
}

TEST(CreateComponent, CreatesRegisteredClassesLocally) {
  ScopedComponent reg(u"LV8Test.Probe", u"", [] { return Ref<Object>(make<CBaseInfo>()); });
  Ref<Object> made = modClassSecurity::CreateComponent(u"LV8Test.Probe");
  EXPECT_TRUE(query<CBaseInfo>(made));
}

TEST(CreateComponent, AClassThatCannotBeMadeEndsTheProcessWithExitCode1AfterTheMessage) {
  test::TempFolder temp;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // An empty registry: nothing resolves the name.
  env.insert(QStringLiteral("LV8INT_REGISTRY"), QString::fromStdString(temp.file("machine.reg")));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(temp.path()));
  child.setProcessEnvironment(env);
  child.start(QString::fromStdString(test::selfExecutable()),
              {QStringLiteral("--lv8-child=create-component"), QStringLiteral("--progid=LV8Missing.Engine")});
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 1);
  EXPECT_EQ(child.readAllStandardOutput(), "before the creation;");
  const QString err = QString::fromUtf8(child.readAllStandardError());
  EXPECT_TRUE(err.contains(QStringLiteral("[message box, critical]"))) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("对象<LV8Missing.Engine>不能创建，即将退出应用程序。"))) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("[buttons: OK]"))) << err.toStdString();
}

}  // namespace
}  // namespace lv8int
