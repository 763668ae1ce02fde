// The `lv8 reg` command over a hive in a temporary folder, run as its own process.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "support/TempFolder.h"
#include "support/ToolProcess.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;

class RegCommand : public ::testing::Test {
 protected:
  test::TempFolder dir;

  test::ToolRun lv8(const QStringList& args) {
    return test::runTool("tools/lv8", args,
                         {{"LV8INT_REGISTRY", QString::fromStdString(dir.file("machine.reg"))},
                          {"XDG_CONFIG_HOME", QString::fromStdString(dir.file("config"))}});
  }
};

TEST_F(RegCommand, ImportThenQueryPrintsValuesTheWayTheRegToolDoes) {
  dir.write("in.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
            "@=\"默认\"\r\n"
            "\"Name\"=\"value\"\r\n"
            "# a comment line of the platform's own\r\n"
            "\"Count\"=dword:0000002a\r\n"
            "\"Bin\"=hex:01,ff\r\n"
            "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
            "\"Exp\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
            "\"Q\"=hex(b):00,00,00,00,01,00,00,00\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub]\r\n"
            "[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"u\"=dword:1\r\n");
  test::ToolRun imported = lv8({"reg", "import", QString::fromStdString(dir.file("in.reg"))});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_EQ(imported.out, "The operation completed successfully.\n");

  test::ToolRun all = lv8({"reg", "query", "HKLM\\software\\test"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out,
            "\nHKEY_LOCAL_MACHINE\\software\\test\n"
            "    (Default)    REG_SZ    默认\n"
            "    Name    REG_SZ    value\n"
            "    Count    REG_DWORD    0x2a\n"
            "    Bin    REG_BINARY    01FF\n"
            "    Multi    REG_MULTI_SZ    a\\0b\n"
            "    Exp    REG_EXPAND_SZ    %HOME%\n"
            "    Q    REG_QWORD    0x100000000\n"
            "\nHKEY_LOCAL_MACHINE\\software\\test\\Sub\n");

  test::ToolRun one = lv8({"reg", "query", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test", "/v", "count"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(one.out, "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n    Count    REG_DWORD    0x2a\n\n");

  test::ToolRun user = lv8({"reg", "query", "HKCU\\Software\\Mine", "/v", "u"});
  EXPECT_EQ(user.out, "\nHKEY_CURRENT_USER\\Software\\Mine\n    u    REG_DWORD    0x1\n\n");
  EXPECT_THAT(dir.read("config/lv8int/registry.reg"), HasSubstr("[HKEY_CURRENT_USER\\Software\\Mine]"));

  test::ToolRun missing = lv8({"reg", "query", "HKLM\\SOFTWARE\\Test", "/v", "Nope"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "ERROR: The system was unable to find the specified registry key or value.\n");
  EXPECT_EQ(lv8({"reg", "query", "HKLM\\SOFTWARE\\Nope"}).exitCode, 1);
  EXPECT_EQ(lv8({"reg", "query", "HKXX\\SOFTWARE"}).exitCode, 1);
}

TEST_F(RegCommand, ImportMergesAndReportsBadLines) {
  dir.write("machine.reg", "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep]\n\"k\"=\"1\"\n");
  dir.write("in.reg",
            "Windows Registry Editor Version 5.00\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n\"a\"=dword:1\n\"b\"=dword:xyz\n");
  test::ToolRun imported = lv8({"reg", "import", QString::fromStdString(dir.file("in.reg"))});
  EXPECT_EQ(imported.exitCode, 1);
  EXPECT_THAT(imported.err, HasSubstr("in.reg:4:"));
  std::string hive = dir.read("machine.reg");
  EXPECT_THAT(hive, HasSubstr("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep]\n\"k\"=\"1\""));
  EXPECT_THAT(hive, HasSubstr("[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n\"a\"=dword:00000001\n\n"));

  dir.write("bad.reg", "just text\n");
  test::ToolRun bad = lv8({"reg", "import", QString::fromStdString(dir.file("bad.reg"))});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_THAT(bad.err, HasSubstr("321"));
  EXPECT_EQ(dir.read("machine.reg"), hive);
}

TEST_F(RegCommand, AddDeleteAndExport) {
  EXPECT_EQ(lv8({"reg", "add", "HKCR\\AppID\\{X}", "/v", "RemoteServerName", "/d", "MIDTIER"}).exitCode, 0);
  EXPECT_EQ(lv8({"reg", "add", "HKCR\\AppID\\{X}", "/v", "N", "/t", "REG_DWORD", "/d", "0x10"}).exitCode, 0);
  EXPECT_EQ(lv8({"reg", "add", "HKCR\\AppID\\{X}", "/v", "N", "/t", "REG_DWORD", "/d", "-1"}).exitCode, 1);
  EXPECT_EQ(lv8({"reg", "query", "HKCR\\AppID\\{X}", "/v", "N"}).out,
            "\nHKEY_CLASSES_ROOT\\AppID\\{X}\n    N    REG_DWORD    0x10\n\n");
  test::ToolRun exported = lv8({"reg", "export", "HKCR\\AppID", QString::fromStdString(dir.file("out.reg"))});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_EQ(dir.read("out.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CLASSES_ROOT\\AppID]\n\n"
            "[HKEY_CLASSES_ROOT\\AppID\\{X}]\n\"RemoteServerName\"=\"MIDTIER\"\n\"N\"=dword:00000010\n\n");
  EXPECT_EQ(lv8({"reg", "delete", "HKCR\\AppID\\{X}", "/v", "N"}).exitCode, 0);
  EXPECT_EQ(lv8({"reg", "delete", "HKCR\\AppID\\{X}", "/v", "N"}).exitCode, 1);
  EXPECT_EQ(lv8({"reg", "delete", "HKCR\\AppID"}).exitCode, 0);
  EXPECT_EQ(lv8({"reg", "query", "HKCR\\AppID"}).exitCode, 1);
  EXPECT_EQ(lv8({"reg", "delete", "HKCR"}).exitCode, 1);
}

}  // namespace
}  // namespace lv8int
