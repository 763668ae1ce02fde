#include "platform/registry/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"
#include "platform/files/IWriteFaults.h"
#include "platform/registry/ExpandEnvironment.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using reg::Value;

class RegistryFiles : public ::testing::Test {
 protected:
  test::TempFolder dir;
  String machine = dir.name("etc/registry.reg");
  String user = dir.name("home/.config/lv8int/registry.reg");
};

void set(IRegistry& r, reg::Handle root, StringView path, const Value& v) {
  reg::OpenedKey k(r, root, path, true);
  ASSERT_TRUE(k.ok());
  ASSERT_EQ(r.setValue(k.handle(), v), reg::ERROR_SUCCESS);
}

TEST_F(RegistryFiles, StatusCodesOfOpenQueryAndEnumerate) {
  Registry r(machine, user);
  set(r, reg::HKEY_CLASSES_ROOT, u"AppID\\{X}", Value::string(u"RemoteServerName", u"abc"));
  reg::Handle h = 0;
  EXPECT_EQ(r.openKey(reg::HKEY_CLASSES_ROOT, u"AppID\\{Y}", h), reg::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(r.openKey(0x1234, u"x", h), reg::ERROR_INVALID_HANDLE);
  ASSERT_EQ(r.openKey(reg::HKEY_CLASSES_ROOT, u"appid\\{x}", h), reg::ERROR_SUCCESS);

  uint32_t type = 0, size = 0;
  EXPECT_EQ(r.queryValueEx(h, u"remoteservername", &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(type, reg::REG_SZ);
  EXPECT_EQ(size, 8u);  // "abc" and the zero, two bytes each
  uint8_t small[4];
  size = sizeof small;
  EXPECT_EQ(r.queryValueEx(h, u"RemoteServerName", &type, small, &size), reg::ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  uint8_t buffer[16];
  size = sizeof buffer;
  EXPECT_EQ(r.queryValueEx(h, u"RemoteServerName", &type, buffer, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(buffer, "a\0b\0c\0\0\0", 8), 0);
  EXPECT_EQ(r.queryValueEx(h, u"Missing", &type, nullptr, &size), reg::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(r.queryValueEx(h, u"", &type, nullptr, &size), reg::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(r.queryValueEx(h, u"RemoteServerName", &type, buffer, nullptr), reg::ERROR_INVALID_PARAMETER);

  Value v;
  EXPECT_EQ(r.enumValue(h, 0, v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.name, u"RemoteServerName");
  EXPECT_EQ(r.enumValue(h, 1, v), reg::ERROR_NO_MORE_ITEMS);
  String name;
  EXPECT_EQ(r.enumKey(h, 0, name), reg::ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(r.closeKey(h), reg::ERROR_SUCCESS);
  EXPECT_EQ(r.closeKey(h), reg::ERROR_INVALID_HANDLE);
  EXPECT_EQ(r.getValue(h, u"RemoteServerName", v), reg::ERROR_INVALID_HANDLE);
}

TEST_F(RegistryFiles, AnsiFlavourCountsAnsiBytes) {
  codepage::setActiveCodePage(936);
  Registry r(machine, user);
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\帮助", Value::string(u"名称", u"中文abc"));
  reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\帮助");
  reg::Value raw;
  reg::Handle h = k.handle();
  {
    raw = Value::binary(u"Unterminated", reg::utf16leBytes(u"汉字"), reg::REG_SZ);
    ASSERT_EQ(r.setValue(h, raw), reg::ERROR_SUCCESS);
    ASSERT_EQ(r.setValue(h, Value::multiString(u"Multi", {u"甲", u"乙"})), reg::ERROR_SUCCESS);
    ASSERT_EQ(r.setValue(h, Value::dword(u"N", 5)), reg::ERROR_SUCCESS);
  }
  reg::Handle ha = 0;
  ASSERT_EQ(r.openKeyA(reg::HKEY_LOCAL_MACHINE, codepage::toAnsi(u"SOFTWARE\\帮助"), ha), reg::ERROR_SUCCESS);
  uint32_t type = 0, size = 0;
  std::string ansiName = codepage::toAnsi(u"名称");
  ASSERT_EQ(r.queryValueExA(ha, ansiName, &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);  // 中文 two bytes each, abc, and the zero
  std::string text(size - 1, '\0');
  uint32_t got = size - 1;
  // A buffer one byte short (the caller forgot the zero) is refused, with the size needed.
  EXPECT_EQ(r.queryValueExA(ha, ansiName, &type, reinterpret_cast<uint8_t*>(text.data()), &got), reg::ERROR_MORE_DATA);
  EXPECT_EQ(got, 8u);
  std::vector<uint8_t> buf(size);
  ASSERT_EQ(r.queryValueExA(ha, ansiName, &type, buf.data(), &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(std::string(buf.begin(), buf.end() - 1), codepage::toAnsi(u"中文abc"));
  EXPECT_EQ(buf.back(), 0);

  // Text stored without its zero is given one, so "size - 1 characters" is still the text.
  ASSERT_EQ(r.queryValueExA(ha, "Unterminated", &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  ASSERT_EQ(r.queryValueExA(ha, "Multi", &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);  // 甲 0 乙 0 0
  EXPECT_EQ(type, reg::REG_MULTI_SZ);
  ASSERT_EQ(r.queryValueExA(ha, "N", &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);

  std::string name;
  ASSERT_EQ(r.enumValueA(ha, 0, name, &type, nullptr, &size), reg::ERROR_SUCCESS);
  EXPECT_EQ(name, ansiName);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(r.enumValueA(ha, 4, name, &type, nullptr, &size), reg::ERROR_NO_MORE_ITEMS);
  r.closeKey(ha);
  codepage::setActiveCodePage(0);
}

TEST_F(RegistryFiles, HivesAreFilesThatAnotherInstanceReads) {
  {
    Registry r(machine, user);
    set(r, reg::HKEY_CLASSES_ROOT, u"Sample.Class\\CLSID", Value::string(u"", u"{1}"));
    set(r, reg::HKEY_CURRENT_USER, u"Software\\Mine", Value::dword(u"Size", 3));
    set(r, reg::HKEY_USERS, u".DEFAULT\\x", Value::qword(u"Q", 1));
  }
  std::string machineText = dir.read("etc/registry.reg");
  std::string userText = dir.read("home/.config/lv8int/registry.reg");
  EXPECT_NE(machineText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Sample.Class\\CLSID]\n@=\"{1}\""),
            std::string::npos);
  EXPECT_THAT(machineText, HasSubstr("[HKEY_USERS\\.DEFAULT\\x]"));
  EXPECT_THAT(machineText, Not(HasSubstr("Mine")));
  EXPECT_THAT(userText, HasSubstr("[HKEY_CURRENT_USER\\Software\\Mine]\n\"Size\"=dword:00000003"));

  Registry again(machine, user);
  reg::OpenedKey k(again, reg::HKEY_LOCAL_MACHINE, u"Software\\Classes\\sample.class\\clsid");
  Value v;
  ASSERT_EQ(again.getValue(k.handle(), u"", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.text(), u"{1}");
}

TEST_F(RegistryFiles, ChangesByAnotherProcessAreSeenThroughOpenHandles) {
  Registry reader(machine, user);
  Registry writer(machine, user);
  set(writer, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared", Value::string(u"v", u"1"));
  reg::OpenedKey k(reader, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared");
  ASSERT_TRUE(k.ok());
  set(writer, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared", Value::string(u"v", u"2"));
  Value v;
  ASSERT_EQ(reader.getValue(k.handle(), u"v", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.text(), u"2");
  // The reader's own change keeps the writer's.
  set(reader, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared", Value::string(u"w", u"3"));
  Registry third(machine, user);
  reg::OpenedKey k3(third, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared");
  EXPECT_EQ(third.getValue(k3.handle(), u"v", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(third.getValue(k3.handle(), u"w", v), reg::ERROR_SUCCESS);
  // A key deleted under an open handle.
  EXPECT_EQ(writer.deleteKey(reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\SHARED"), reg::ERROR_SUCCESS);
  EXPECT_EQ(reader.getValue(k.handle(), u"v", v), reg::ERROR_KEY_DELETED);
  EXPECT_EQ(writer.deleteKey(reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared"), reg::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(writer.deleteKey(reg::HKEY_LOCAL_MACHINE, u""), reg::ERROR_INVALID_PARAMETER);
}

class FailRename : public files::IWriteFaults {
 public:
  int failure(files::WriteStep step, StringView) override { return step == files::WriteStep::Rename ? EIO : 0; }
};

TEST_F(RegistryFiles, AFailedSaveKeepsTheOldFileAndNoChange) {
  Registry r(machine, user);
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\A", Value::string(u"v", u"old"));
  std::string before = dir.read("etc/registry.reg");
  FailRename faults;
  {
    ServiceScope<files::IWriteFaults> scope(faults);
    reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\A");
    EXPECT_THROW(r.setValue(k.handle(), Value::string(u"v", u"new")), AutomationError);
    EXPECT_THROW(r.transaction([&] {
      r.setValue(k.handle(), Value::string(u"w", u"x"));
      r.deleteKey(reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\A");
    }),
                 AutomationError);
  }
  EXPECT_EQ(dir.read("etc/registry.reg"), before);
  reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\A");
  Value v;
  ASSERT_EQ(r.getValue(k.handle(), u"v", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.text(), u"old");
  EXPECT_EQ(r.getValue(k.handle(), u"w", v), reg::ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFiles, ATransactionSavesOnceOrNotAtAll) {
  Registry r(machine, user);
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\T", Value::dword(u"n", 0));
  std::string before = dir.read("etc/registry.reg");
  EXPECT_THROW(r.transaction([&] {
    set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\T", Value::dword(u"n", 1));
    set(r, reg::HKEY_CURRENT_USER, u"Software\\T", Value::dword(u"n", 1));
    throw std::runtime_error("abandoned");
  }),
               std::runtime_error);
  EXPECT_EQ(dir.read("etc/registry.reg"), before);
  EXPECT_FALSE(dir.exists("home/.config/lv8int/registry.reg"));
  Value v;
  reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\T");
  ASSERT_EQ(r.getValue(k.handle(), u"n", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.number(), 0u);
  reg::Handle none;
  EXPECT_EQ(r.openKey(reg::HKEY_CURRENT_USER, u"Software\\T", none), reg::ERROR_FILE_NOT_FOUND);

  r.transaction([&] {
    set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\T", Value::dword(u"n", 2));
    EXPECT_EQ(dir.read("etc/registry.reg"), before);  // nothing written before the end
  });
  EXPECT_THAT(dir.read("etc/registry.reg"), HasSubstr("dword:00000002"));
}

TEST(RegistryMemory, InMemoryRegistryRollsBackToo) {
  Registry r({}, {});
  set(r, reg::HKEY_CURRENT_USER, u"A", Value::dword(u"n", 1));
  EXPECT_THROW(r.transaction([&] {
    set(r, reg::HKEY_CURRENT_USER, u"A", Value::dword(u"n", 2));
    set(r, reg::HKEY_CURRENT_USER, u"B", Value::dword(u"n", 2));
    throw std::runtime_error("abandoned");
  }),
               std::runtime_error);
  reg::OpenedKey a(r, reg::HKEY_CURRENT_USER, u"A");
  Value v;
  ASSERT_EQ(r.getValue(a.handle(), u"n", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.number(), 1u);
  reg::Handle none;
  EXPECT_EQ(r.openKey(reg::HKEY_CURRENT_USER, u"B", none), reg::ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFiles, AHiveThatIsNoRegistryFileIsNeverOverwritten) {
  dir.write("etc/registry.reg", "this is somebody's notes, not a registry\n");
  Registry r(machine, user);
  reg::Handle h;
  EXPECT_EQ(r.openKey(reg::HKEY_LOCAL_MACHINE, u"SOFTWARE", h), reg::ERROR_FILE_NOT_FOUND);
  try {
    reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", true);
    ADD_FAILURE() << "a write went through";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::PathFileAccess);
    EXPECT_NE(e.description().find(machine), String::npos);
  }
  EXPECT_EQ(dir.read("etc/registry.reg"), "this is somebody's notes, not a registry\n");
  // The user hive is a file of its own and still works.
  set(r, reg::HKEY_CURRENT_USER, u"Software\\Y", Value::dword(u"n", 1));
}

TEST_F(RegistryFiles, AFileEditedByAnotherProgramIsReadAgain) {
  auto edited = [](const char* v) {
    return std::string("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Edited]\n\"v\"=\"") + v +
           "\"\n";
  };
  Registry r(machine, user);
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Edited", Value::string(u"v", u"mine"));
  reg::OpenedKey k(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Edited");
  Value v;
  ASSERT_EQ(r.getValue(k.handle(), u"v", v), reg::ERROR_SUCCESS);
  // A change right after the edit reads the file first and keeps what the edit wrote ...
  dir.write("etc/registry.reg", edited("by hand"));
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Edited", Value::string(u"w", u"added"));
  ASSERT_EQ(r.getValue(k.handle(), u"v", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.text(), u"by hand");
  // ... and a read sees an edit by a program that does not count its saves once a quarter of a
  // second has passed.
  dir.write("etc/registry.reg", edited("edited again"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(r.getValue(k.handle(), u"v", v), reg::ERROR_SUCCESS);
  EXPECT_EQ(v.text(), u"edited again");
  EXPECT_EQ(r.getValue(k.handle(), u"w", v), reg::ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFiles, AnEmptyHiveFileIsAnEmptyHive) {
  dir.write("etc/registry.reg", "");
  Registry r(machine, user);
  reg::Handle h;
  EXPECT_EQ(r.openKey(reg::HKEY_LOCAL_MACHINE, u"SOFTWARE", h), reg::ERROR_FILE_NOT_FOUND);
  set(r, reg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\New", Value::dword(u"n", 5));
  EXPECT_EQ(dir.read("etc/registry.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n\"n\"=dword:00000005\n\n");
}

TEST_F(RegistryFiles, ImportRoutesEachRootToItsHiveAndExportNamesTheKeyAsAsked) {
  Registry r(machine, user);
  regfile::Document doc = regfile::parse(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Vendor]\n\"u\"=\"1\"\n"
      "[HKEY_CLASSES_ROOT\\Vendor.Thing\\CLSID]\n@=\"{2}\"\n");
  std::vector<regfile::Problem> problems;
  r.import(doc.operations, &problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_THAT(dir.read("home/.config/lv8int/registry.reg"), HasSubstr("\"u\"=\"1\""));
  std::string text;
  ASSERT_EQ(r.exportKey(reg::HKEY_CLASSES_ROOT, u"Vendor.Thing", text), reg::ERROR_SUCCESS);
  EXPECT_EQ(text,
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CLASSES_ROOT\\Vendor.Thing]\n\n"
            "[HKEY_CLASSES_ROOT\\Vendor.Thing\\CLSID]\n@=\"{2}\"\n\n");
  EXPECT_EQ(r.exportKey(reg::HKEY_CLASSES_ROOT, u"Nothing.Here", text), reg::ERROR_FILE_NOT_FOUND);
}

TEST(RegistryDefaults, HiveLocationsFollowTheEnvironment) {
  {
    test::EnvironmentScope unset("LV8INT_REGISTRY", nullptr);
    EXPECT_EQ(Registry::defaultMachineHivePath(), u"/etc/lv8int/registry.reg");
  }
  test::EnvironmentScope sandbox("LV8INT_REGISTRY", "/tmp/sandbox/reg.reg");
  EXPECT_EQ(Registry::defaultMachineHivePath(), u"/tmp/sandbox/reg.reg");
  {
    test::EnvironmentScope xdg("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(Registry::defaultUserHivePath(), u"/tmp/cfg/lv8int/registry.reg");
  }
  test::EnvironmentScope home("HOME", "/home/clerk");
  test::EnvironmentScope xdg("XDG_CONFIG_HOME", "relative");  // not absolute: ignored, as the base directory rules say
  EXPECT_EQ(Registry::defaultUserHivePath(), u"/home/clerk/.config/lv8int/registry.reg");
}

TEST(RegistryEnvironment, ExpandsKnownVariablesOnly) {
  test::EnvironmentScope dir("LV8_TEST_DIR", "/opt/帮助");
  EXPECT_EQ(reg::expandEnvironmentStrings(u"%LV8_TEST_DIR%\\a.chm"), u"/opt/帮助\\a.chm");
  EXPECT_EQ(reg::expandEnvironmentStrings(u"%lv8_test_dir%"), u"/opt/帮助");  // names ignore case
  EXPECT_EQ(reg::expandEnvironmentStrings(u"%LV8_NOT_SET%\\x"), u"%LV8_NOT_SET%\\x");
  // "% %" names no variable; its closing "%" opens the next reference.
  EXPECT_EQ(reg::expandEnvironmentStrings(u"100% %LV8_TEST_DIR%"), u"100% /opt/帮助");
  EXPECT_EQ(reg::expandEnvironmentStrings(u"%LV8_NOT_SET%LV8_TEST_DIR%"), u"%LV8_NOT_SET/opt/帮助");
  EXPECT_EQ(reg::expandEnvironmentStrings(u"%%"), u"%%");
  EXPECT_EQ(reg::expandEnvironmentStrings(u"50%"), u"50%");

  test::CodePageScope gbk(936);
  std::string source = codepage::toAnsi(u"%LV8_TEST_DIR%\\b");
  uint32_t n = reg::expandEnvironmentStringsA(source, nullptr, 0);
  std::string expected = codepage::toAnsi(u"/opt/帮助\\b");
  EXPECT_EQ(n, expected.size() + 1);
  std::string out(n - 1, '\0');
  EXPECT_EQ(reg::expandEnvironmentStringsA(source, out.data(), n - 1), n);  // too small: nothing written
  EXPECT_EQ(out, std::string(n - 1, '\0'));
  std::vector<char> buf(n);
  EXPECT_EQ(reg::expandEnvironmentStringsA(source, buf.data(), n), n);
  EXPECT_EQ(std::string(buf.data()), expected);
}

}  // namespace
}  // namespace lv8int
