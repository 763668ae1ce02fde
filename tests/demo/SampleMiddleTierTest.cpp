// The sample middle tier in-process, registered as lv8-regsvr registers it and created through
// CApplication.CreateMidObject: its seed data through periods, rights and warnings, its login
// check, where it finds its database, and its errors for a missing or locked one.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cctype>
#include <cstdlib>

#include "SampleSetup.h"
#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "app/CWarning.h"
#include "periods/CPeriod.h"
#include "periods/CPeriods.h"
#include "platform/ServiceScope.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "platform/components/ClassRegistration.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/registry/Registry.h"
#include "support/ErrBoxRecorder.h"
#include "support/LoggedInApp.h"
#include "support/ModalDriver.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"

using namespace lv8int;

namespace {

constexpr char16_t kAppID[] = u"{56AFD91E-06EB-48C7-9C2E-827A60CD9425}";
constexpr int32_t kErrDatabaseMissing = static_cast<int32_t>(0xA0050001u);
constexpr int32_t kErrDatabaseLocked = static_cast<int32_t>(0xA0050002u);
constexpr int32_t kErrDatabase = static_cast<int32_t>(0xA0050003u);
constexpr int32_t kErrLoginFailed = static_cast<int32_t>(0xA0050004u);

using lv8int::test::raisedError;

class SampleMiddleTier : public ::testing::Test {
 protected:
  test::SampleSetup sample;
  test::LoggedInApp session;
  Ref<CApplication> app = session.app;
  std::unique_ptr<Registry> hive;
  std::unique_ptr<ServiceScope<IRegistry>> hiveScope;

  void SetUp() override {
    test::ToolRun reg = sample.registerPlugin();
    ASSERT_EQ(reg.exitCode, 0) << reg.err;
    hive = std::make_unique<Registry>(sample.machineHive, sample.dir.name("user.reg"));
    hiveScope = std::make_unique<ServiceScope<IRegistry>>(*hive);
    useDatabase(sample.database);
  }
  void TearDown() override {
    unsetenv("LV8_MIDTIER_DATABASE");
    hiveScope.reset();
  }
  static void useDatabase(const String& path) { setenv("LV8_MIDTIER_DATABASE", toUtf8(path).c_str(), 1); }

  Ref<Object> midCall(const char16_t* progID, const char16_t* member, Args args) {
    return recordsets::fromAnswer(app->CreateMidObject(progID)->call(member, std::move(args)));
  }

  std::vector<String> column(Ref<Object> rs, const char16_t* field) {
    std::vector<String> out;
    if (recordsets::isEmpty(*rs)) return out;
    for (recordsets::moveFirst(*rs); !recordsets::atEOF(*rs); recordsets::moveNext(*rs))
      out.push_back(CStr(recordsets::fieldValue(*rs, Variant(field))));
    return out;
  }
};

}  // namespace

TEST_F(SampleMiddleTier, RegisteredUnderOneAppIDAsTheRegistrationToolWritesIt) {
  for (const char16_t* progID : {u"ZRMSysBase.SysDSN", u"ZRMSysBase.SysUserRight", u"ZRMSysBase.SysWarning",
                                 u"ZRMDictUtil.utilPeriod", u"ZRMSysBase.SysLogin"}) {
    const String clsid = components::clsidOfProgID(progID);
    ASSERT_FALSE(clsid.empty()) << toUtf8(progID);
    EXPECT_EQ(components::inprocServer(clsid), fromUtf8(test::kSamplePlugin)) << toUtf8(progID);
    EXPECT_EQ(components::appIDOfProgID(progID), kAppID) << toUtf8(progID);
  }
  // No RemoteServerName: the components are made on this computer.
  EXPECT_TRUE(components::remoteServerName(kAppID).empty());
}

TEST_F(SampleMiddleTier, PeriodsOfTheSeed) {
  Ref<CPeriods> periods = app->Periods();
  ASSERT_EQ(periods->Count(), 12);
  for (int32_t i = 1; i <= 12; ++i) {
    Variant position(i);
    Ref<CPeriod> p = periods->Item(position);
    EXPECT_EQ(p->ID(), 200300 + i);
    EXPECT_EQ(p->Year(), 2003);
    EXPECT_EQ(p->Number(), i);
    EXPECT_EQ(p->Status(), i <= 6 ? 1 : 0);
    EXPECT_EQ(p->StartDate().type(), VarType::Date);
  }
  Variant february(u"200302");
  Ref<CPeriod> p = periods->Item(february);
  EXPECT_EQ(CStr(p->StartDate()), u"2003-02-01");
  EXPECT_EQ(CStr(p->EndDate()), u"2003-02-28");
  EXPECT_EQ(p->NextPeriod()->ID(), 200303);
}

TEST_F(SampleMiddleTier, EachUserHasTheirOwnRights) {
  session.loginAs(u"kj01", u"101");
  Ref<CUserRight> rights = app->UserRight();
  for (const char16_t* code : {u"01", u"0105", u"02", u"020", u"0203"}) EXPECT_TRUE(rights->HasRight(code)) << toUtf8(code);
  for (const char16_t* code : {u"03", u"0204", u"05"}) EXPECT_FALSE(rights->HasRight(code)) << toUtf8(code);

  app->LogOut();
  session.loginAs(u"cn01", u"102");
  EXPECT_TRUE(rights->HasRight(u"03"));
  EXPECT_TRUE(rights->HasRight(u"0301"));
  EXPECT_FALSE(rights->HasRight(u"01"));
  EXPECT_FALSE(rights->HasRight(u"02"));

  session.loginAs(u"admin", u"1");
  EXPECT_TRUE(app->UserRight()->HasRight(u"0599"));
  EXPECT_FALSE(app->UserRight()->HasRight(u"06"));
}

TEST_F(SampleMiddleTier, WarningsOfTheLoggedInUserInOrder) {
  session.loginAs(u"kj01", u"101");
  test::ErrBoxRecorder recorder;
  app->Warning()->DispWarningIfExist();
  ASSERT_EQ(recorder.boxes.size(), 3u);
  EXPECT_EQ(recorder.boxes[0].detail, QStringLiteral("错误号：1\r\n错误源：凭证管理\r\n描  述：有 3 张凭证等待审核"));
  EXPECT_EQ(recorder.boxes[1].description, QStringLiteral("2003 年 6 月尚未结账"));
  EXPECT_EQ(recorder.boxes[2].description, QStringLiteral("口令已使用 90 天，请及时修改"));

  EXPECT_TRUE(column(midCall(u"ZRMSysBase.SysWarning", u"GetLog", {Variant(u""), Variant(u"102")}), u"WarningID").empty());
  EXPECT_EQ(column(midCall(u"ZRMSysBase.SysWarning", u"GetLog", {Variant(u""), Variant(u"1")}), u"WarningID"),
            (std::vector<String>{u"4"}));
  // The user id is a value, never statement text.
  EXPECT_TRUE(column(midCall(u"ZRMSysBase.SysWarning", u"GetLog", {Variant(u""), Variant(u"101' OR '1'='1")}),
                     u"WarningID")
                  .empty());
}

TEST_F(SampleMiddleTier, LoginChecksTheStoredFormOfThePassword) {
  Ref<Object> user = midCall(u"ZRMSysBase.SysLogin", u"CheckLogin", {Variant(u"kj01"), Variant(app->EncryptPWD(u"1234"))});
  EXPECT_EQ(column(user, u"UserID"), (std::vector<String>{u"101"}));
  EXPECT_EQ(column(user, u"UserName"), (std::vector<String>{u"张会计"}));
  // The empty password of cn01; hexadecimal digits in either case.
  String lower = app->EncryptPWD(u"");
  for (char16_t& c : lower) c = static_cast<char16_t>(std::tolower(c));
  EXPECT_EQ(column(midCall(u"ZRMSysBase.SysLogin", u"CheckLogin", {Variant(u"cn01"), Variant(lower)}), u"UserID"),
            (std::vector<String>{u"102"}));

  AutomationError wrong = raisedError([&] {
    midCall(u"ZRMSysBase.SysLogin", u"CheckLogin", {Variant(u"kj01"), Variant(app->EncryptPWD(u"12345"))});
  });
  EXPECT_EQ(wrong.number(), kErrLoginFailed);
  EXPECT_EQ(wrong.source(), u"ZRMSysBase.SysLogin.CheckLogin");
  AutomationError unknown = raisedError([&] {
    midCall(u"ZRMSysBase.SysLogin", u"CheckLogin", {Variant(u"nobody"), Variant(app->EncryptPWD(u"1234"))});
  });
  EXPECT_EQ(unknown.number(), wrong.number());
  EXPECT_EQ(unknown.description(), wrong.description()) << "an unknown user is not told apart from a wrong password";
  EXPECT_EQ(raisedError([&] { midCall(u"ZRMSysBase.SysLogin", u"CheckLogin", {Variant(u"kj01"), Variant(u"1234")}); }).number(),
            kErrLoginFailed)
      << "the plain password is not the stored form";
}

TEST_F(SampleMiddleTier, AMissingDatabaseIsAClearErrorAndTheNextReadTriesAgain) {
  const String moved = sample.dir.name("later.db");
  useDatabase(moved);
  AutomationError e = raisedError([&] { app->Periods(); });
  EXPECT_EQ(e.number(), kErrDatabaseMissing);
  EXPECT_EQ(e.source(), u"ZRMDictUtil.utilPeriod.GetAllPeriod");
  EXPECT_NE(e.description().find(moved), String::npos);
  EXPECT_FALSE(sample.dir.exists("later.db")) << "the middle tier creates no database";

  test::buildSampleDatabase(moved);
  EXPECT_EQ(app->Periods()->Count(), 12);
}

TEST_F(SampleMiddleTier, ALockedDatabaseIsAClearError) {
  session.loginAs(u"kj01", u"101");
  SqliteDatabase writer(sample.database, {.readOnly = false, .busyTimeoutMs = 0});
  writer.execute(u"BEGIN EXCLUSIVE");
  AutomationError e = raisedError([&] { app->UserRight()->HasRight(u"01"); });
  EXPECT_EQ(e.number(), kErrDatabaseLocked);
  EXPECT_EQ(e.source(), u"ZRMSysBase.SysUserRight.GetCurRight");
  EXPECT_NE(e.description().find(sample.database), String::npos);
  writer.execute(u"COMMIT");
  EXPECT_TRUE(app->UserRight()->HasRight(u"01"));
}

TEST_F(SampleMiddleTier, AFileThatIsNoDatabaseIsAClearError) {
  sample.dir.write("text.db", std::string(200, 'x'));
  useDatabase(sample.dir.name("text.db"));
  AutomationError e = raisedError([&] { midCall(u"ZRMSysBase.SysWarning", u"GetLog", {Variant(u""), Variant(u"101")}); });
  EXPECT_EQ(e.number(), kErrDatabase);
  EXPECT_EQ(e.source(), u"ZRMSysBase.SysWarning.GetLog");
}

TEST_F(SampleMiddleTier, TheDatabaseComesFromTheEnvironmentTheRegistryOrBesideThePlugin) {
  Ref<Object> dsn = app->CreateMidObject(u"ZRMSysBase.SysDSN");
  EXPECT_EQ(CStr(dsn->get(u"Database")), sample.database);

  unsetenv("LV8_MIDTIER_DATABASE");
  const std::string plugin = test::kSamplePlugin;
  EXPECT_EQ(CStr(dsn->get(u"Database")), fromUtf8(plugin.substr(0, plugin.rfind('/') + 1)) + u"sample.db");

  // An administrator names the database under the AppID, with an environment reference.
  test::EnvironmentScope data("LV8_SAMPLE_DATA", sample.dir.path().c_str());
  {
    reg::OpenedKey key(*hive, reg::HKEY_CLASSES_ROOT, u"AppID\\" + String(kAppID));
    ASSERT_TRUE(key.ok());
    ASSERT_EQ(hive->setValue(key.handle(), reg::Value::string(u"Database", u"%LV8_SAMPLE_DATA%sample.db", reg::REG_EXPAND_SZ)),
              0);
  }
  EXPECT_EQ(CStr(dsn->get(u"Database")), sample.database);
  EXPECT_EQ(app->Periods()->Count(), 12);
}

TEST_F(SampleMiddleTier, TheSampleLoginWindowChecksTheUserWithTheMiddleTier) {
  test::ToolRun reg = sample.run("tools/lv8-regsvr", {QStringLiteral(LV8_SAMPLE_LOGINWINDOW_PLUGIN)});
  ASSERT_EQ(reg.exitCode, 0) << reg.err;
  const auto type = [](QWidget* dialog, const QString& user, const QString& password) {
    dialog->findChild<QLineEdit*>(QStringLiteral("user"))->setText(user);
    dialog->findChild<QLineEdit*>(QStringLiteral("password"))->setText(password);
    QTest::keyClick(dialog->findChild<QLineEdit*>(QStringLiteral("password")), Qt::Key_Return);
  };

  // A wrong password keeps the dialog open with the middle tier's message; the right one
  // closes it with the user's record.
  Ref<Object> component = ComponentRegistry::instance().create(u"LV8Demo.LoginWindow");
  Ref<ILoginWindow2> window2 = query<ILoginWindow2>(component);
  ASSERT_TRUE(window2);
  int32_t type4 = 4;
  window2->SetLoginType(type4);
  QString shownMessage;
  test::whenModalShown([&](QWidget* dialog) {
    EXPECT_FALSE(dialog->findChild<QComboBox*>(QStringLiteral("dataSource"))->currentText().isEmpty());
    type(dialog, QStringLiteral("kj01"), QStringLiteral("12345"));
    shownMessage = dialog->findChild<QLabel*>(QStringLiteral("message"))->text();
    EXPECT_TRUE(dialog->isVisible());
    type(dialog, QStringLiteral("kj01"), QStringLiteral("1234"));
  });
  ASSERT_TRUE(window2->ShowLogin());
  EXPECT_EQ(shownMessage, QStringLiteral("用户名或口令不正确"));
  const LoginInfo info = window2->GetLoginInfo();
  EXPECT_EQ(info.UserName, u"kj01");
  EXPECT_EQ(info.UserID, u"101");
  EXPECT_EQ(window2->GetLoginType(), 4);
  window2->CloseLogin();

  // Cancelling logs nobody in.
  Ref<Object> again = ComponentRegistry::instance().create(u"LV8Demo.LoginWindow");
  test::whenModalShown([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_FALSE(query<ILoginWindow>(again)->ShowLogin());
}
