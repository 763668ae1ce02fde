// lv8 resource on a configuration tree whose system folder lists resource stores.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>
#include <filesystem>

#include "support/ConfigTree.h"
#include "support/PeFixtures.h"
#include "support/ToolProcess.h"

namespace lv8int::test {
namespace {

using ::testing::HasSubstr;

const std::string kFixtures = std::string(LV8_TEST_FIXTURES) + "/resources/";

class ResourceCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    resource = tree.systemFolder() + "Resource/";
    std::filesystem::create_directories(resource);
    std::filesystem::copy_file(kFixtures + "strings.mdb", resource + "strings.mdb");
    tree.folder().write(resource.substr(tree.folder().path().size()) + "resource.ini",
                        "[resource]\n0=strings.mdb\n2=strings.db\n");
  }
  ToolRun lv8(QStringList args, bool withHost = true) {
    if (withHost) args << "--host" << QString::fromStdString(tree.hostProgram());
    return runTool("tools/lv8", QStringList{"resource"} + args);
  }

  ConfigTree tree;
  std::string resource;
};

TEST_F(ResourceCommand, ConvertThenDumpAndLookUp) {
  ToolRun convert = lv8({"convert", QString::fromStdString(resource + "strings.mdb"),
                         QString::fromStdString(resource + "strings.db")},
                        false);
  ASSERT_EQ(convert.exitCode, 0) << convert.err;

  ToolRun dump = lv8({"dump"});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  const std::string strings =
      "0x1\tHello\n0x5\t第五条资源字符串\n0x7\t\n0x64\tsemi;colon,comma\n0xFFFF\tlast slot\n";
  EXPECT_EQ(dump.out, "[slot 0] " + resource + "strings.mdb (database)\n" + strings + "[slot 1] (none)\n" +
                          "[slot 2] " + resource + "strings.db (database)\n" +
                          "0x20001\tHello\n0x20005\t第五条资源字符串\n0x20007\t\n0x20064\tsemi;colon,comma\n0x2FFFF\tlast slot\n");
  ToolRun one = lv8({"dump", "--slot", "2"});
  EXPECT_EQ(one.out.substr(0, one.out.find('\n')), "[slot 2] " + resource + "strings.db (database)");

  struct Case {
    const char* id;
    int exitCode;
    std::string out;
  } cases[] = {
      {"0x20005", 0, "第五条资源字符串\n"},
      {"&H5", 0, "第五条资源字符串\n"},
      {"100", 0, "semi;colon,comma\n"},
      {"3", 0, "<Unable to find resource string with ID: 0x3>\n"},
      {"0x10001", 1, ""},  // a gap: object not set
      {"0x30001", 1, ""},  // past the listed slots
  };
  for (const Case& c : cases) {
    ToolRun o = lv8({"string", c.id});
    EXPECT_EQ(o.exitCode, c.exitCode) << c.id << o.err;
    EXPECT_EQ(o.out, c.out) << c.id;
  }
  EXPECT_THAT(lv8({"string", "0x10001"}).err, HasSubstr("error 91"));
}

// A DLL's strings in the dump, and pictures and icons written as PNG files.
TEST_F(ResourceCommand, DllStringsAndPictures) {
  tree.folder().write(resource.substr(tree.folder().path().size()) + "resource.ini",
                      "[resource]\n0=" + peFixture(32) + "\n1=strings.mdb\n");
  ToolRun dump = lv8({"dump"});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_EQ(dump.out.substr(0, dump.out.find('\n') + 1), "[slot 0] " + peFixture(32) + " (DLL)\n");
  EXPECT_THAT(dump.out, HasSubstr("\n0x1\t中文一\n"));
  EXPECT_THAT(dump.out, HasSubstr("\n0x50\t只有中文\n"));
  EXPECT_THAT(dump.out, HasSubstr("\n0x7\t甲\\x00乙\n"));  // a NUL, escaped
  EXPECT_THAT(dump.out, HasSubstr("\n0x10005\t第五条资源字符串\n"));

  const std::string png = tree.folder().file("out.png");
  ToolRun icon = lv8({"icon", "12", "--size", "0", "--out", QString::fromStdString(png)});
  ASSERT_EQ(icon.exitCode, 0) << icon.err;
  EXPECT_EQ(icon.out, "16x16\n");
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(16, 16));
  ToolRun logo = lv8({"picture", "Logo", "2", "--out", QString::fromStdString(png)});
  ASSERT_EQ(logo.exitCode, 0) << logo.err;
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QImage(QString::fromStdString(peImage("bmp8.bmp"))).size());
  ToolRun none = lv8({"picture", "0", "3", "--out", QString::fromStdString(png)});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_THAT(none.err, HasSubstr("no picture"));
}

TEST_F(ResourceCommand, OptionsAndUsageErrors) {
  const QString host = QString::fromStdString(tree.hostProgram());
  for (const QStringList& args : {QStringList{"string"}, QStringList{"frobnicate"}, QStringList{"convert", "a.mdb"},
                                  QStringList{"icon", "12", "--host", host, "--out"}}) {
    ToolRun o = lv8(args, false);
    EXPECT_EQ(o.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_EQ(o.err.rfind("usage: lv8 resource string", 0), 0u) << o.err;
  }
  ToolRun bogus = lv8({"dump", "--bogus"});
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_EQ(bogus.err.substr(0, bogus.err.find('\n')), "lv8 resource: unknown option '--bogus'");
  // The last of a repeated option counts, and "--" ends the options.
  tree.folder().write(resource.substr(tree.folder().path().size()) + "resource.ini", "[resource]\n0=strings.mdb\n");
  ToolRun ended = lv8({"string", "--host", "elsewhere", "--host", host, "--", "100"}, false);
  EXPECT_EQ(ended.exitCode, 0) << ended.err;
  EXPECT_EQ(ended.out, "semi;colon,comma\n");
}

}  // namespace
}  // namespace lv8int::test
