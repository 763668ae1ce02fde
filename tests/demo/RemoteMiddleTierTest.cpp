// The middle tier on another computer: the server in a child process on 127.0.0.1 serving the
// sample middle tier and the probe component, and this process a client creating through the
// component registry, as CreateMidObject does when RemoteServerName names a server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "MidTierServerProcess.h"
#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "app/CWarning.h"
#include "app/GZRGNTUtil.h"
#include "periods/CPeriod.h"
#include "periods/CPeriods.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "platform/components/ClassRegistration.h"
#include "platform/components/RemoteConnection.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/RecordsetAccess.h"
#include "platform/registry/IRegistry.h"
#include "support/AppHarness.h"
#include "support/ChildProcess.h"
#include "support/ErrBoxRecorder.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"

using namespace lv8int;

namespace {

using ::testing::HasSubstr;

constexpr int32_t kErrLoginFailed = static_cast<int32_t>(0xA0050004u);
constexpr int32_t kErrOtherUser = static_cast<int32_t>(0xA0050005u);

Ref<Object> create(StringView progID, StringView server) {
  return ComponentRegistry::instance().createOnServer(progID, server);
}

// Logs this thread in on the server; the user id the middle tier answered with.
String logIn(StringView server, StringView code, StringView storedPassword) {
  Ref<Object> login = create(u"ZRMSysBase.SysLogin", server);
  Ref<Object> user = recordsets::fromAnswer(login->call(u"CheckLogin", {Variant(code), Variant(storedPassword)}));
  return CStr(recordsets::fieldValue(*user, Variant(u"UserID")));
}

size_t recordCount(const Variant& answer) {
  Ref<Object> rs = recordsets::fromAnswer(answer);
  return static_cast<size_t>(recordsets::recordCount(*rs));
}

// A child mode of this test program: a client that logs in, starts a long call and is killed
// while the server runs it.
const bool sleepingClient = [] {
  std::optional<std::string> server = test::commandLineOption("midtier-sleeping-client");
  if (!server) return false;
  try {
    const String where = fromUtf8(*server);
    logIn(where, u"kj01", test::kKj01Password);
    Ref<Object> probe = create(u"LV8Test.Probe", where);
    probe->call(u"Child", {Variant(u"held by the killed client")});
    std::puts("calling");
    std::fflush(stdout);
    probe->call(u"Sleep", {Variant(int32_t{1500})});
  } catch (...) {
  }
  std::_Exit(0);
}();

class RemoteMiddleTier : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sample.registered) << sample.failure;
    startServer({});
  }
  void TearDown() override { RemoteConnection::setCallTimeout(std::chrono::milliseconds(0)); }

  void startServer(QStringList extra) {
    server_ = std::make_unique<test::MidTierServerProcess>(sample, extra);
    ASSERT_TRUE(server_->running()) << server_->failure.toStdString();
    server = server_->server;
  }

  test::ServedSample sample;
  std::unique_ptr<test::MidTierServerProcess> server_;
  String server;
};

}  // namespace

TEST_F(RemoteMiddleTier, TwoUsersAtOnceReadTheirOwnPeriodsRightsAndWarnings) {
  struct User {
    const char16_t* code;
    const char16_t* password;
    const char16_t* id;
    size_t warnings;
    bool grants03, grants0203;
  };
  const User users[] = {{u"kj01", test::kKj01Password, u"101", 3, false, true},
                        {u"admin", test::kAdminPassword, u"1", 1, true, true}};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (const User& u : users) {
    threads.emplace_back([&, u] {
      auto expect = [&](bool ok, const char* what) {
        if (!ok) {
          ++failures;
          ADD_FAILURE() << toUtf8(u.code) << ": " << what;
        }
      };
      try {
        // Each thread has its own application object and so its own login on the server.
        Ref<CApplication> app = GZRGNTUtil::sharedApplication();
        app->setMidServerName(server);
        const String id = logIn(server, u.code, u.password);
        expect(id == u.id, "the user id of the login");
        app->setCurrentUserID(id);
        for (int round = 0; round < 5; ++round) {
          Ref<CPeriods> periods = make<CPeriods>();
          periods->LoadPeriods(app);
          expect(periods->Count() == 12, "twelve periods");
          Variant key(u"200305");
          expect(periods->Item(key) && periods->Item(key)->Number() == 5, "period 200305 by its key");
          Ref<CUserRight> rights = make<CUserRight>();
          rights->LoadRights();
          expect(rights->HasRight(u"03") == u.grants03, "right 03");
          expect(rights->HasRight(u"0203") == u.grants0203, "right 0203");
          expect(!rights->HasRight(u"06"), "right 06");
          Ref<Object> warning = app->CreateMidObject(u"ZRMSysBase.SysWarning");
          expect(recordCount(warning->call(u"GetLog", {Variant(u""), Variant(id)})) == u.warnings, "warnings");
          // Naming another user is refused: the session answers for its own user only.
          const String other = id == u"1" ? u"101" : u"1";
          expect(test::raisedError([&] { warning->call(u"GetLog", {Variant(u""), Variant(other)}); }).number() ==
                     kErrOtherUser,
                 "another user's warnings refused");
          Ref<Object> probe = app->CreateMidObject(u"LV8Test.Probe");
          expect(CStr(probe->get(u"Caller")) == id, "the call runs as the session's user");
        }
      } catch (const AutomationError& e) {
        ++failures;
        ADD_FAILURE() << toUtf8(u.code) << ": " << e.what();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
}

TEST_F(RemoteMiddleTier, RemoteServerNameSendsTheApplicationsMiddleTierToTheServer) {
  test::AppHarness h;
  constexpr char16_t kSampleAppID[] = u"{56AFD91E-06EB-48C7-9C2E-827A60CD9425}";
  components::registerClass({u"ZRMSysBase.SysDSN", u"{EE962C04-5C96-48F2-A125-30EFD07E93A3}", kSampleAppID, u""},
                            u"/nonexistent/samplemiddletier.so");
  {
    reg::OpenedKey key(h.registry, reg::HKEY_CLASSES_ROOT, String(u"AppID\\") + kSampleAppID);
    ASSERT_TRUE(key.ok());
    ASSERT_EQ(h.registry.setValue(key.handle(), reg::Value::string(u"RemoteServerName", server)), 0);
  }
  h.init();
  ASSERT_EQ(h.app->MidServerName(), server);
  const String id = logIn(server, u"kj01", test::kKj01Password);
  ASSERT_TRUE(h.loginAs(u"kj01", id));
  EXPECT_EQ(h.app->Periods()->Count(), 12);
  EXPECT_TRUE(h.app->UserRight()->HasRight(u"0105"));
  EXPECT_FALSE(h.app->UserRight()->HasRight(u"03"));
  test::ErrBoxRecorder recorder;
  h.app->Warning()->DispWarningIfExist();
  ASSERT_EQ(recorder.boxes.size(), 3u);
  EXPECT_EQ(recorder.boxes[2].description, QStringLiteral("口令已使用 90 天，请及时修改"));
}

TEST_F(RemoteMiddleTier, NothingIsServedBeforeALogin) {
  for (const char16_t* progID : {u"LV8Test.Probe", u"ZRMSysBase.SysWarning", u"ZRMDictUtil.utilPeriod"}) {
    AutomationError e = test::raisedError([&] { create(progID, server); });
    EXPECT_EQ(e.number(), err::PermissionDenied) << toUtf8(progID);
    EXPECT_NE(e.description().find(u"log in first"), String::npos) << e.what();
  }
  logIn(server, u"kj01", test::kKj01Password);
  // Logged in, the server still makes only the plug-ins registered there.
  EXPECT_EQ(test::raisedError([&] { create(u"LV8INT.GZRGNTUtil", server); }).number(), err::CannotCreateObject);
  EXPECT_EQ(test::raisedError([&] { create(u"LV8Test.NotRegistered", server); }).number(), err::CannotCreateObject);
  EXPECT_TRUE(create(u"LV8Test.Probe", server));
}

TEST_F(RemoteMiddleTier, AWrongPasswordIsRefusedCountedAndOpensNoSession) {
  const std::vector<std::pair<const char16_t*, const char16_t*>> wrong = {
      {u"kj01", test::kAdminPassword}, {u"nobody", test::kKj01Password}, {u"kj01", u"1234"}};
  for (const auto& [code, password] : wrong) {
    AutomationError e = test::raisedError([&] { logIn(server, code, password); });
    EXPECT_EQ(e.number(), kErrLoginFailed);
    EXPECT_EQ(e.source(), u"ZRMSysBase.SysLogin.CheckLogin");
    EXPECT_EQ(e.description(), u"用户名或口令不正确");
  }
  RemoteConnection::Status s = RemoteConnection::forServer(server)->ping();
  EXPECT_EQ(s.failedLogins, 3u);
  EXPECT_EQ(s.sessions, 0u);
  EXPECT_EQ(test::raisedError([&] { create(u"LV8Test.Probe", server); }).number(), err::PermissionDenied);
}

TEST_F(RemoteMiddleTier, PluginErrorsArriveWithNumberSourceAndTextAndTheServerServesOn) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  const int32_t number = vbObjectError + 513;
  AutomationError e = test::raisedError(
      [&] { probe->call(u"Fail", {Variant(number), Variant(u"Probe.Fail"), Variant(u"余额不足，不能记账")}); });
  EXPECT_EQ(e.number(), number);
  EXPECT_EQ(e.source(), u"Probe.Fail");
  EXPECT_EQ(e.description(), u"余额不足，不能记账");
  AutomationError crash = test::raisedError([&] { probe->call(u"Crash"); });
  EXPECT_EQ(crash.number(), err::AutomationFailure);
  EXPECT_NE(crash.description().find(u"the probe broke"), String::npos);
  // The runtime's own errors of the call: unknown member, missing argument.
  EXPECT_EQ(test::raisedError([&] { probe->call(u"NoSuchMember"); }).number(), err::MemberNotSupported);
  EXPECT_EQ(test::raisedError([&] { probe->call(u"Echo"); }).number(), err::ArgumentNotOptional);
  EXPECT_EQ(CStr(probe->call(u"Echo", {Variant(u"still here")})), u"still here");
}

TEST_F(RemoteMiddleTier, EveryValueCrossesWithItsTypeAndArraysWithTheirBounds) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  const std::vector<Variant> values = {Variant(),
                                       Variant::null(),
                                       Variant(int16_t{-32768}),
                                       Variant(int32_t{-2147483647 - 1}),
                                       Variant(1.5f),
                                       Variant(-0.1),
                                       Variant::currency(-922337203685477580),
                                       Variant::date(37802.75),
                                       Variant(String(u"会计\0期间\xD800", 6)),
                                       Variant(u""),
                                       Variant(true),
                                       Variant(false),
                                       Variant::byte(255),
                                       Variant::error(vbObjectError + 1),
                                       Variant::nothing()};
  for (const Variant& v : values) {
    Variant back = probe->call(u"Echo", {v});
    EXPECT_TRUE(back.sameAs(v)) << toUtf8(typeName(v.type())) << " came back as " << toUtf8(typeName(back.type()));
  }
  // A two-dimensional Long array with bounds other than 0, and a Variant array holding an array.
  Variant grid = Variant::array(SafeArray(VarType::Long, {{1, 2}, {-1, 1}}));
  for (int32_t i = 0; i < 6; ++i) grid.arrayData()->elements()[static_cast<size_t>(i)] = Variant(i * 10);
  Variant back = probe->call(u"Echo", {grid});
  ASSERT_TRUE(back.isArray());
  EXPECT_EQ(back.arrayElementType(), VarType::Long);
  EXPECT_EQ(back.arrayData()->dims(), 2);
  EXPECT_EQ(back.arrayData()->lbound(2), -1);
  EXPECT_EQ(back.arrayData()->ubound(2), 1);
  EXPECT_EQ(CLng(back.arrayData()->at({2, 1})), 50);
  Variant nested = Variant::array(SafeArray(VarType::Variant, 0, 1));
  nested.arrayData()->at(0) = Variant(u"外");
  nested.arrayData()->at(1) = grid;
  Variant nestedBack = probe->call(u"Echo", {nested});
  EXPECT_EQ(CStr(nestedBack.arrayData()->at(0)), u"外");
  EXPECT_EQ(CLng(nestedBack.arrayData()->at(1).arrayData()->at({1, -1})), 0);
}

TEST_F(RemoteMiddleTier, ByReferenceArgumentsAreWrittenBackAndByValueOnesAreNot) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  Variant a(u"甲"), b(int32_t{7});
  Args args{Variant::byRef(a), Variant::byRef(b)};
  Variant first = probe->invoke(u"Swap", InvokeKind::Method, args);
  EXPECT_EQ(CStr(first), u"甲");
  EXPECT_TRUE(a.sameAs(Variant(int32_t{7})));
  EXPECT_TRUE(b.sameAs(Variant(u"甲")));
  Variant n(int32_t{41});
  Args one{Variant::byRef(n)};
  probe->invoke(u"Increment", InvokeKind::Method, one);
  EXPECT_EQ(CLng(n), 42);
  Variant byValue(int32_t{1});
  Args copy{byValue};
  probe->invoke(u"Increment", InvokeKind::Method, copy);
  EXPECT_EQ(CLng(byValue), 1);
}

TEST_F(RemoteMiddleTier, ObjectsTheServerReturnsAreProxiesWithTheirDefaultMember) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  Variant child = probe->call(u"Child", {Variant(u"乙")});
  ASSERT_TRUE(child.isObject() && child.rawObject());
  Args none;
  EXPECT_EQ(CStr(child.rawObject()->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, none)), u"probe:乙");
  child.rawObject()->put(u"Name", Variant(u"丙"));
  // Passed back, the proxy is the server's object again.
  EXPECT_EQ(CStr(probe->call(u"NameOf", {child})), u"丙");
  EXPECT_EQ(CStr(probe->call(u"NameOf", {Variant::nothing()})), u"(nothing)");
  // An object of this process cannot go to the server.
  EXPECT_EQ(test::raisedError([&] { probe->call(u"NameOf", {Variant(make<CPeriods>())}); }).number(),
            err::UnsupportedAutomationType);
  RemoteConnection::Status before = RemoteConnection::forServer(server)->ping();
  child = Variant();
  EXPECT_TRUE(server_->waitFor([&](const RemoteConnection::Status& s) { return s.objects == before.objects - 1; }));
}

TEST_F(RemoteMiddleTier, ARecordsetArrivesAsTheInMemoryRecordset) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  Variant answer = probe->call(u"Records", {Variant(int32_t{3})});
  Ref<Recordset> rs(dynamic_cast<Recordset*>(answer.rawObject().get()));
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(rs->fieldName(2), u"When");
  rs->MoveNext();
  EXPECT_TRUE(rs->value(0).sameAs(Variant(int32_t{2})));
  EXPECT_EQ(CStr(rs->value(1)), u"第2条");
  EXPECT_TRUE(rs->value(2).sameAs(Variant::date(37624.0)));
  EXPECT_TRUE(rs->value(3).isNull());
  rs->MoveNext();
  EXPECT_TRUE(rs->value(3).sameAs(Variant::currency(37035)));
  Ref<Object> empty = recordsets::fromAnswer(probe->call(u"Records", {Variant(int32_t{0})}));
  EXPECT_TRUE(recordsets::isEmpty(*empty));
}

TEST_F(RemoteMiddleTier, ASessionHoldsABoundedNumberOfObjects) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  std::vector<Variant> held;
  AutomationError full(0, {}, {});
  for (int i = 0; i < 1100 && full.number() == 0; ++i) {
    try {
      held.push_back(probe->call(u"Child", {Variant(u"x")}));
    } catch (const AutomationError& e) {
      full = e;
    }
  }
  EXPECT_EQ(full.number(), err::OutOfMemory);
  EXPECT_EQ(held.size(), 999u) << "the probe itself is the thousandth object";
  held.pop_back();
  EXPECT_TRUE(server_->waitFor([](const RemoteConnection::Status& s) { return s.objects == 999; }));
  EXPECT_NO_THROW(held.push_back(probe->call(u"Child", {Variant(u"y")})));
}

TEST_F(RemoteMiddleTier, AnUnreachableServerRaises462NamingIt) {
  // A port nobody listens on: bound, never listened to, then let go.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  const String nowhere = u"127.0.0.1:" + toString(static_cast<long long>(ntohs(a.sin_port)));
  close(fd);
  for (const char16_t* progID : {u"ZRMSysBase.SysLogin", u"LV8Test.Probe"}) {
    AutomationError e = test::raisedError([&] { create(progID, nowhere); });
    EXPECT_EQ(e.number(), err::RemoteServerUnavailable);
    EXPECT_EQ(e.description(), u"The remote server machine does not exist or is unavailable: " + nowhere);
  }
  EXPECT_EQ(test::raisedError([&] { create(u"LV8Test.Probe", u"no server/here"); }).number(),
            err::InvalidProcedureCall);
}

TEST_F(RemoteMiddleTier, ACallLongerThanTheTimeOutFailsAndTheSessionGoesOn) {
  logIn(server, u"kj01", test::kKj01Password);
  Ref<Object> probe = create(u"LV8Test.Probe", server);
  RemoteConnection::setCallTimeout(std::chrono::milliseconds(300));
  AutomationError e = test::raisedError([&] { probe->call(u"Sleep", {Variant(int32_t{2000})}); });
  EXPECT_EQ(e.number(), RemoteConnection::kCallTimedOut);
  EXPECT_NE(e.description().find(u"Sleep on the server " + server), String::npos) << e.what();
  RemoteConnection::setCallTimeout(std::chrono::milliseconds(0));
  EXPECT_EQ(CStr(probe->call(u"Echo", {Variant(u"later")})), u"later");
}

TEST_F(RemoteMiddleTier, AClientKilledMidCallLeavesTheServerServingAndItsObjectsReleased) {
  server_.reset();
  startServer({"--idle-timeout", "0.5", "--session-timeout", "4"});
  QProcess client;
  client.start(QString::fromStdString(test::selfExecutable()),
               {"--midtier-sleeping-client=" + QString::fromStdU16String(server), "--gtest_filter=-*"});
  QByteArray out;
  for (int i = 0; i < 100 && !out.contains("calling"); ++i) {
    client.waitForReadyRead(200);
    out += client.readAllStandardOutput();
  }
  ASSERT_TRUE(out.contains("calling")) << out.toStdString();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  client.kill();
  ASSERT_TRUE(client.waitForFinished(10000));
  // The killed client's call still runs; others are served meanwhile.
  EXPECT_EQ(RemoteConnection::forServer(server)->ping().sessions, 1u);
  logIn(server, u"admin", test::kAdminPassword);
  EXPECT_EQ(CStr(create(u"LV8Test.Probe", server)->get(u"Caller")), u"1");
  // Once its call has ended and the idle time has passed, its objects are released; the
  // sessions stay for the session time-out, then end.
  EXPECT_TRUE(server_->waitFor([](const RemoteConnection::Status& s) { return s.sessions == 2 && s.objects == 0; }));
  EXPECT_TRUE(server_->waitFor([](const RemoteConnection::Status& s) { return s.sessions == 0; }));
  EXPECT_EQ(test::raisedError([&] { create(u"LV8Test.Probe", server); }).number(), err::PermissionDenied);
}

TEST_F(RemoteMiddleTier, ThirtyTwoClientsAtOnceAreEachAnsweredForTheirUser) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 32; ++c) {
    clients.emplace_back([&, c] {
      try {
        const bool admin = c % 2 == 0;
        const String id = logIn(server, admin ? u"admin" : u"kj01", admin ? test::kAdminPassword : test::kKj01Password);
        Ref<Object> probe = create(u"LV8Test.Probe", server);
        for (int i = 0; i < 10; ++i) {
          if (CStr(probe->get(u"Caller")) != id) ++wrong;
          Ref<Object> rs = recordsets::fromAnswer(probe->call(u"Records", {Variant(int32_t{50 + c})}));
          if (recordsets::recordCount(*rs) != 50 + c) ++wrong;
        }
      } catch (const AutomationError& e) {
        ++wrong;
        ADD_FAILURE() << "client " << c << ": " << e.what();
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(wrong, 0);
  // Each client thread's session ended with the thread.
  EXPECT_EQ(RemoteConnection::forServer(server)->ping().sessions, 0u);
}

TEST_F(RemoteMiddleTier, TlsWithTheServersCertificateAndNothingWithout) {
  server_.reset();
  startServer({"--cert", QString::fromStdString(test::kMidTierFixtures + "server.pem"), "--key",
               QString::fromStdString(test::kMidTierFixtures + "server.key")});
  // Each attempt on a thread of its own, so each makes its own connection.
  auto attempt = [&](const char* trusted) {
    test::EnvironmentScope ca("LV8_MIDTIER_CA", trusted ? (test::kMidTierFixtures + trusted).c_str() : nullptr);
    int32_t number = 0;
    String user;
    std::thread([&] {
      try {
        user = logIn(server, u"kj01", test::kKj01Password);
      } catch (const AutomationError& e) {
        number = e.number();
      }
    }).join();
    return std::make_pair(number, user);
  };
  EXPECT_EQ(attempt("server.pem"), std::make_pair(int32_t{0}, String(u"101")));
  EXPECT_EQ(attempt("other.pem").first, err::RemoteServerUnavailable) << "a certificate nobody trusts";
  EXPECT_EQ(attempt(nullptr).first, err::RemoteServerUnavailable) << "a plain connection";
  EXPECT_EQ(attempt("missing.pem").first, err::PathFileAccess);
}

TEST_F(RemoteMiddleTier, TheLv8ToolWorksAgainstTheServer) {
  const QString where = QString::fromStdU16String(server);
  test::ToolRun periods = sample.run("tools/lv8", {"periods", "--user", "kj01", "--password", "1234", "--server", where});
  ASSERT_EQ(periods.exitCode, 0) << periods.err;
  QStringList lines = QString::fromStdString(periods.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 13);
  EXPECT_EQ(lines[12], "200312\t2003\t12\t2003-12-01\t2003-12-31\t0");
  test::ToolRun refused = sample.run("tools/lv8", {"has-right", "--user", "cn01", "--server", where, "0203"});
  EXPECT_EQ(refused.exitCode, 3) << refused.err;
  test::ToolRun wrong = sample.run("tools/lv8", {"warnings", "--user", "kj01", "--password", "x", "--server", where});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_THAT(wrong.err, HasSubstr("用户名或口令不正确"));
  test::ToolRun ping = sample.run("tools/lv8", {"midtier", "ping", where});
  ASSERT_EQ(ping.exitCode, 0) << ping.err;
  EXPECT_THAT(ping.out, HasSubstr("\nfailed logins\t1\n"));
  // Without --server the tools go where the registration's RemoteServerName says.
  std::FILE* reg = std::fopen(sample.dir.file("remote.reg").c_str(), "w");
  ASSERT_NE(reg, nullptr);
  std::fprintf(reg, "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\AppID\\%s]\n\"RemoteServerName\"=\"%s\"\n",
               "{56AFD91E-06EB-48C7-9C2E-827A60CD9425}", where.toStdString().c_str());
  std::fclose(reg);
  ASSERT_EQ(sample.run("tools/lv8", {"reg", "import", QString::fromStdString(sample.dir.file("remote.reg"))}).exitCode, 0);
  EXPECT_EQ(sample.run("tools/lv8", {"has-right", "--user", "kj01", "--password", "x", "0101"}).exitCode, 1);
  ping = sample.run("tools/lv8", {"midtier", "ping", where});
  EXPECT_THAT(ping.out, HasSubstr("\nfailed logins\t2\n"));
  test::ToolRun unreachable = sample.run("tools/lv8", {"midtier", "ping", "127.0.0.1:1"});
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_THAT(unreachable.err, HasSubstr("error 462"));
  EXPECT_THAT(unreachable.err, HasSubstr("127.0.0.1:1"));
  // A server that cannot listen says so and ends.
  test::ToolRun taken = sample.run("tools/lv8", {"midtier", "serve", "--listen", where});
  EXPECT_EQ(taken.exitCode, 1);
  EXPECT_THAT(taken.err, HasSubstr("cannot listen"));
}
