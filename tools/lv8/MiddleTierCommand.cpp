// lv8 periods / has-right / warnings: what the middle tier answers for a user, to check a
// middle-tier set-up without starting a host.
//   lv8 periods   --user <code> [--password <p> | --password -] [--database <file>] [--server <s>]
//   lv8 has-right --user <code> [--password <p> | --password -] [--database <file>] [--server <s>] <right code>
//   lv8 warnings  --user <code> [--password <p> | --password -] [--database <file>] [--server <s>]
// --server names the middle-tier server ("host" or "host:port") in place of the one the
// registration names (CApplication.MidServerName); the login then runs there.
// The user logs in without a window: ZRMSysBase.SysLogin.CheckLogin checks the login name and
// the stored form of the password (EncryptPWD; no --password is the empty password, "-" reads
// it from the first line of standard input), and the user's id becomes the application's
// CurrentUserID. --database names the sample middle tier's database (LV8_MIDTIER_DATABASE).
// Components are created through CApplication.CreateMidObject, as the library creates them.
//   periods    the periods through CApplication.Periods: ID, year, number, dates and status
//   has-right  CApplication.UserRight.HasRight: "granted" (exit 0) or "refused" (exit 3)
//   warnings   the user's pending warnings from ZRMSysBase.SysWarning.GetLog, in order,
//              printed instead of shown in the error box
// Lines are tab-separated with a header line.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "Command.h"
#include "OptionParser.h"
#include "app/CApplication.h"
#include "app/CUserRight.h"
#include "app/GZRGNTUtil.h"
#include "periods/CPeriod.h"
#include "periods/CPeriods.h"
#include "platform/automation/Conversions.h"
#include "platform/recordset/RecordsetAccess.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;
using lv8tool::printLine;

constexpr char kUsage[] =
    "usage: lv8 periods   --user <code> [--password <p> | --password -] [--database <file>] [--server <s>]\n"
    "       lv8 has-right --user <code> [--password <p> | --password -] [--database <file>] [--server <s>] <right>\n"
    "       lv8 warnings  --user <code> [--password <p> | --password -] [--database <file>] [--server <s>]\n";

constexpr int kRefused = 3;

struct Options {
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<std::string> database;
  std::optional<std::string> server;
  std::vector<std::string> positional;
};

// The options every command here takes; a user code is required.
std::optional<Options> parse(const CommandArgs& args) {
  Options o;
  const bool parsed = lv8tool::OptionParser("lv8")
                          .value("--user", o.user)
                          .value("--password", o.password)
                          .value("--database", o.database)
                          .value("--server", o.server)
                          .parse(args, o.positional);
  if (!parsed || !o.user || o.user->empty()) return std::nullopt;
  return o;
}

// Checks the user through the middle tier and makes them the application's current user.
Ref<CApplication> logIn(const Options& o) {
  if (o.database) setenv("LV8_MIDTIER_DATABASE", o.database->c_str(), 1);
  std::string password = o.password.value_or("");
  if (password == "-") {
    password.clear();
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
  }
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  app->setMidServerName(o.server ? fromUtf8(*o.server) : app->findMidServerName());
  const String code = fromUtf8(*o.user);
  Ref<Object> login = app->CreateMidObject(u"ZRMSysBase.SysLogin");
  Ref<Object> user = recordsets::fromAnswer(login->call(u"CheckLogin", {Variant(code), Variant(app->EncryptPWD(fromUtf8(password)))}));
  if (recordsets::isEmpty(*user)) raiseError(vbObjectError, u"lv8", u"The middle tier answered the login with no user");
  const String id = CStr(recordsets::fieldValue(*user, Variant(u"UserID")));
  if (id.empty() || id == u"-1") raiseError(vbObjectError, u"lv8", u"The middle tier answered the login with no user id");
  app->setCurrentUserID(id);
  app->setCurrentUserName(code);
  return app;
}

// A date as yyyy-mm-dd (with the time when it has one).
String dateText(const Variant& date) { return CStr(date); }

// A field's text on one line of its own column: tabs and line breaks become spaces.
String oneLine(String text) {
  for (char16_t& c : text)
    if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
  return text;
}

int runPeriods(const CommandArgs& args) {
  std::optional<Options> o = parse(args);
  if (!o || !o->positional.empty()) return lv8tool::exitCode(-1, kUsage);
  Ref<CApplication> app = logIn(*o);
  Ref<CPeriods> periods = app->Periods();
  printLine(u"ID\tYear\tNumber\tStartDate\tEndDate\tStatus");
  for (int32_t i = 1; i <= periods->Count(); ++i) {
    Variant position(i);
    Ref<CPeriod> p = periods->Item(position);
    printLine(toString(p->ID()) + u"\t" + toString(p->Year()) + u"\t" + toString(p->Number()) + u"\t" +
              dateText(p->StartDate()) + u"\t" + dateText(p->EndDate()) + u"\t" + toString(p->Status()));
  }
  return lv8tool::exitCode(0, kUsage);
}

int runHasRight(const CommandArgs& args) {
  std::optional<Options> o = parse(args);
  if (!o || o->positional.size() != 1) return lv8tool::exitCode(-1, kUsage);
  Ref<CApplication> app = logIn(*o);
  const bool granted = app->UserRight()->HasRight(fromUtf8(o->positional[0]));
  printLine(granted ? u"granted" : u"refused");
  return lv8tool::exitCode(granted ? 0 : kRefused, kUsage);
}

int runWarnings(const CommandArgs& args) {
  std::optional<Options> o = parse(args);
  if (!o || !o->positional.empty()) return lv8tool::exitCode(-1, kUsage);
  Ref<CApplication> app = logIn(*o);
  // The call DispWarningIfExist makes, with each record printed instead of shown.
  Ref<Object> rs;
  {
    Ref<Object> component = app->CreateMidObject(u"ZRMSysBase.SysWarning");
    rs = recordsets::fromAnswer(component->call(u"GetLog", {Variant(app->DSN()), Variant(app->CurrentUserID())}));
  }
  printLine(u"WarningID\tSource\tContent");
  if (!recordsets::isEmpty(*rs)) {
    while (!recordsets::atEOF(*rs)) {
      const int32_t number = CLng(recordsets::fieldValue(*rs, Variant(u"WarningID")));
      const String source = CStr(recordsets::fieldValue(*rs, Variant(u"Source")));
      const String content = CStr(recordsets::fieldValue(*rs, Variant(u"Content")));
      printLine(toString(number) + u"\t" + oneLine(source) + u"\t" + oneLine(content));
      recordsets::moveNext(*rs);
    }
  }
  return lv8tool::exitCode(0, kUsage);
}

const lv8tool::Command periodsReg("periods", "periods --user <code> [--password <p>] [--database <f>] [--server <s>]  list the accounting periods",
                                  runPeriods);
const lv8tool::Command hasRightReg(
    "has-right", "has-right --user <code> [--password <p>] [--database <f>] <right>  granted (0) or refused (3)",
    runHasRight);
const lv8tool::Command warningsReg("warnings", "warnings --user <code> [--password <p>] [--database <f>]  list pending warnings",
                                   runWarnings);

}  // namespace
