#include "platform/components/ClassRegistration.h"

#include <gtest/gtest.h>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "typelib/LibraryRegistration.h"
#include "platform/helpers/Helpers.h"
#include "platform/registry/Registry.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using components::ClassInfo;

constexpr char16_t kClsid[] = u"{11111111-2222-3333-4444-555555555555}";
constexpr char16_t kAppID[] = u"{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";

class Registration : public ::testing::Test {
 protected:
  Registry registry{{}, {}};
  ServiceScope<IRegistry> scope{registry};

  String text(StringView path, StringView name = u"") {
    reg::OpenedKey k(registry, reg::HKEY_CLASSES_ROOT, path);
    reg::Value v;
    if (!k.ok() || registry.getValue(k.handle(), name, v) != reg::ERROR_SUCCESS) return u"<missing>";
    return v.text();
  }
  bool exists(StringView path) { return reg::OpenedKey(registry, reg::HKEY_CLASSES_ROOT, path).ok(); }
};

TEST_F(Registration, WritesWhereThePlatformKeepsIt) {
  components::registerClass({u"Vendor.Thing", u"{11111111-2222-3333-4444-555555555555}", u"aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee", u"A thing"},
                            u"/opt/vendor/thing.so");
  EXPECT_EQ(text(u"Vendor.Thing\\CLSID"), kClsid);
  EXPECT_EQ(text(u"CLSID\\{11111111-2222-3333-4444-555555555555}\\ProgID"), u"Vendor.Thing");
  EXPECT_EQ(text(u"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"), u"/opt/vendor/thing.so");
  EXPECT_EQ(text(u"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", u"ThreadingModel"), u"Apartment");
  EXPECT_EQ(text(u"CLSID\\{11111111-2222-3333-4444-555555555555}", u"AppID"), kAppID);
  EXPECT_EQ(text(String(u"AppID\\") + kAppID), u"A thing");

  EXPECT_EQ(components::clsidOfProgID(u"VENDOR.THING"), kClsid);
  EXPECT_EQ(components::progIDOfClsid(u"{11111111-2222-3333-4444-555555555555}"), u"Vendor.Thing");
  EXPECT_EQ(components::inprocServer(u"11111111-2222-3333-4444-555555555555"), u"/opt/vendor/thing.so");
}

TEST_F(Registration, AppIDOfAProgID) {
  EXPECT_EQ(helpers::appIDOfProgID(u"ZRMSysBase.SysDSN"), components::kNullGuid);
  components::registerClass({u"ZRMSysBase.SysDSN", kClsid, {}, {}}, u"/x.so");
  EXPECT_EQ(helpers::appIDOfProgID(u"ZRMSysBase.SysDSN"), components::kNullGuid);
  components::registerClass({u"ZRMSysBase.SysDSN", kClsid, kAppID, {}}, u"/x.so");
  EXPECT_EQ(helpers::appIDOfProgID(u"zrmsysbase.sysdsn"), kAppID);
  // An administrator's RemoteServerName survives a new registration; registering again without
  // an AppID drops the class's AppID value.
  {
    reg::OpenedKey k(registry, reg::HKEY_CLASSES_ROOT, String(u"AppID\\") + kAppID);
    registry.setValue(k.handle(), reg::Value::string(u"RemoteServerName", u"MIDTIER"));
  }
  components::registerClass({u"ZRMSysBase.SysDSN", kClsid, kAppID, {}}, u"/x.so");
  EXPECT_EQ(components::remoteServerName(kAppID), u"MIDTIER");
  components::registerClass({u"ZRMSysBase.SysDSN", kClsid, {}, {}}, u"/x.so");
  EXPECT_EQ(helpers::appIDOfProgID(u"ZRMSysBase.SysDSN"), components::kNullGuid);
  // A version-independent ProgID is followed through CurVer.
  {
    reg::OpenedKey k(registry, reg::HKEY_CLASSES_ROOT, u"ZRMSysBase.Any\\CurVer", true);
    registry.setValue(k.handle(), reg::Value::string(u"", u"ZRMSysBase.SysDSN"));
  }
  EXPECT_EQ(components::clsidOfProgID(u"ZRMSysBase.Any"), kClsid);
  // A malformed AppID value is no AppID.
  {
    reg::OpenedKey k(registry, reg::HKEY_CLASSES_ROOT, String(u"CLSID\\") + kClsid);
    registry.setValue(k.handle(), reg::Value::string(u"AppID", u"{not-a-guid}"));
  }
  EXPECT_EQ(helpers::appIDOfProgID(u"ZRMSysBase.SysDSN"), components::kNullGuid);
}

TEST_F(Registration, MalformedNamesAreRefusedAndNothingIsWritten) {
  auto number = [](const ClassInfo& info) {
    try {
      components::registerClass(info, u"/x.so");
    } catch (const AutomationError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(number({u"Vendor.Thing", u"{1111-2222}", {}, {}}), err::InvalidProcedureCall);
  EXPECT_EQ(number({u"Vendor\\Thing", kClsid, {}, {}}), err::InvalidProcedureCall);
  EXPECT_EQ(number({u"Vendor.Thing", kClsid, u"{zz}", {}}), err::InvalidProcedureCall);
  EXPECT_FALSE(exists(u"Vendor.Thing"));
  EXPECT_FALSE(exists(String(u"CLSID\\") + kClsid));
}

TEST_F(Registration, UnregisterRemovesOnlyWhatNamesThisServer) {
  constexpr char16_t kOther[] = u"{99999999-2222-3333-4444-555555555555}";
  components::registerClass({u"Vendor.One", kClsid, kAppID, {}}, u"/opt/a.so");
  components::registerClass({u"Vendor.Two", kOther, kAppID, {}}, u"/opt/a.so");
  // Another copy took Vendor.One over: unregistering the first copy leaves it alone.
  components::registerClass({u"Vendor.One", kClsid, kAppID, {}}, u"/opt/b.so");
  components::unregisterClass({u"Vendor.One", kClsid, kAppID, {}}, u"/opt/a.so");
  EXPECT_EQ(components::inprocServer(kClsid), u"/opt/b.so");
  EXPECT_EQ(components::clsidOfProgID(u"Vendor.One"), kClsid);

  // The AppID key goes with the last class that names it.
  components::unregisterClass({u"Vendor.One", kClsid, kAppID, {}}, u"/opt/b.so");
  EXPECT_FALSE(exists(u"Vendor.One"));
  EXPECT_FALSE(exists(String(u"CLSID\\") + kClsid));
  EXPECT_TRUE(exists(String(u"AppID\\") + kAppID));
  components::unregisterClass({u"Vendor.Two", kOther, kAppID, {}}, u"/opt/a.so");
  EXPECT_FALSE(exists(u"Vendor.Two"));
  EXPECT_FALSE(exists(String(u"AppID\\") + kAppID));

  // A ProgID that meanwhile names another class is not removed with this one.
  components::registerClass({u"Vendor.Three", kClsid, {}, {}}, u"/opt/a.so");
  components::registerClass({u"Vendor.Three", kOther, {}, {}}, u"/opt/c.so");
  components::unregisterClass({u"Vendor.Three", kClsid, {}, {}}, u"/opt/a.so");
  EXPECT_EQ(components::clsidOfProgID(u"Vendor.Three"), kOther);
  EXPECT_FALSE(exists(String(u"CLSID\\") + kClsid));
}

TEST_F(Registration, AUsersOwnRegistrationHidesTheMachinesAndLeavesItAlone) {
  components::registerClass({u"Vendor.Thing", kClsid, kAppID, {}}, u"/opt/machine.so");
  components::setRegistrationScope(components::RegistrationScope::User);
  components::registerClass({u"Vendor.Thing", kClsid, kAppID, {}}, u"/home/me/thing.so");
  components::registerClass({u"Vendor.Mine", u"{99999999-2222-3333-4444-555555555555}", {}, {}}, u"/home/me/mine.so");
  components::setRegistrationScope(components::RegistrationScope::Machine);
  reg::OpenedKey userKey(registry, reg::HKEY_CURRENT_USER, u"Software\\Classes\\Vendor.Mine\\CLSID");
  EXPECT_TRUE(userKey.ok());
  EXPECT_FALSE(exists(u"Vendor.Mine"));  // nothing written for the machine
  EXPECT_EQ(components::inprocServer(kClsid), u"/home/me/thing.so");
  EXPECT_EQ(components::clsidOfProgID(u"Vendor.Mine"), u"{99999999-2222-3333-4444-555555555555}");
  EXPECT_EQ(text(String(u"CLSID\\") + kClsid + u"\\InprocServer32"), u"/opt/machine.so");

  // Removing the user's registration uncovers the machine's again, which stays as it was.
  components::setRegistrationScope(components::RegistrationScope::User);
  components::unregisterClass({u"Vendor.Thing", kClsid, kAppID, {}}, u"/home/me/thing.so");
  components::setRegistrationScope(components::RegistrationScope::Machine);
  EXPECT_EQ(components::inprocServer(kClsid), u"/opt/machine.so");
  EXPECT_EQ(components::appIDOfProgID(u"Vendor.Thing"), kAppID);
  EXPECT_TRUE(exists(String(u"AppID\\") + kAppID));
}

TEST_F(Registration, TheLibraryRegistersItsCreatableClasses) {
  typelib::registerLibrary(u"/usr/lib/liblv8int.so.2");
  // The four global classes and CSysStatus are creatable; the others are handed out only.
  for (const char16_t* progID : {u"LV8INT.GZRGNTUtil", u"LV8INT.GBackEnd", u"LV8INT.GFrontEnd", u"LV8INT.GResman",
                                 u"LV8INT.CSysStatus"}) {
    String clsid = components::clsidOfProgID(progID);
    ASSERT_FALSE(clsid.empty()) << toUtf8(progID);
    EXPECT_EQ(components::inprocServer(clsid), u"/usr/lib/liblv8int.so.2");
  }
  EXPECT_EQ(components::clsidOfProgID(u"LV8INT.GBackEnd"), u"{F7A9D7CB-2847-418F-9201-26327048173A}");
  EXPECT_FALSE(exists(u"LV8INT.CApplication"));
  EXPECT_FALSE(exists(u"CLSID\\{6B47B370-D28C-4042-B7FB-00C321840BF7}"));
  typelib::unregisterLibrary(u"/usr/lib/liblv8int.so.2");
  EXPECT_FALSE(exists(u"LV8INT.GBackEnd"));
  EXPECT_FALSE(exists(u"CLSID\\{F7A9D7CB-2847-418F-9201-26327048173A}"));
  // Without a path the library names its own file.
  typelib::registerLibrary();
  EXPECT_EQ(components::inprocServer(u"{F7A9D7CB-2847-418F-9201-26327048173A}"), typelib::libraryFile());
  EXPECT_NE(typelib::libraryFile().find(u"liblv8int.so"), String::npos);
}

}  // namespace
}  // namespace lv8int
