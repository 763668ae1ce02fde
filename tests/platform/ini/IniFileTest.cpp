#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"

namespace lv8int::ini {
namespace {

using test::TempFolder;

constexpr char kLocator[] =
    "; written by the set-up tool\r\n"
    "top=ignored\r\n"
    "[System]\r\n"
    "  ConfigPath =  D:\\LV8\\Config\\  \r\n"
    "Quoted=\" padded \"\r\n"
    "Half=\"open\r\n"
    "noequals\r\n"
    "configpath=second wins nothing\r\n"
    "; about the next section\r\n"
    "\r\n"
    "[ Other ]\r\n"
    "k=v\r\n"
    "[system]\r\n"
    "Late=not seen\r\n";

TEST(IniRead, WindowsSemantics) {
  IniFile ini = IniFile::parse(kLocator);
  EXPECT_EQ(ini.read(u"SYSTEM", u"configPATH"), u"D:\\LV8\\Config\\");
  EXPECT_EQ(ini.read(u"system", u"Quoted"), u" padded ");
  EXPECT_EQ(ini.read(u"system", u"Half"), u"\"open");
  EXPECT_EQ(ini.read(u"other", u"K"), u"v");
  EXPECT_EQ(ini.read(u"system", u"Late"), u"");          // only the first [system] counts
  EXPECT_EQ(ini.read(u"system", u"top", u"dflt"), u"dflt");  // lines before any section
  EXPECT_EQ(ini.read(u"system", u"noequals", u"d"), u"d");
  EXPECT_EQ(ini.read(u"missing", u"x", u"d"), u"d");
  EXPECT_FALSE(ini.value(u"system", u"; about the next section").has_value());
  EXPECT_EQ(ini.keys(u"System"), (std::vector<String>{u"ConfigPath", u"Quoted", u"Half"}));
  EXPECT_EQ(ini.sections(), (std::vector<String>{u"System", u"Other"}));
  EXPECT_EQ(ini.serialize(), kLocator);
}

TEST(IniWrite, ChangesOneLineAndKeepsTheRest) {
  IniFile ini = IniFile::parse(kLocator);
  ini.write(u"system", u"CONFIGPATH", u"/srv/lv8/config/");
  ini.write(u"System", u"NewKey", u"new");
  ini.write(u"Added", u"a", u"1");
  EXPECT_EQ(ini.serialize(),
            "; written by the set-up tool\r\n"
            "top=ignored\r\n"
            "[System]\r\n"
            "  ConfigPath =  /srv/lv8/config/\r\n"
            "Quoted=\" padded \"\r\n"
            "Half=\"open\r\n"
            "noequals\r\n"
            "configpath=second wins nothing\r\n"
            "NewKey=new\r\n"
            "; about the next section\r\n"
            "\r\n"
            "[ Other ]\r\n"
            "k=v\r\n"
            "[system]\r\n"
            "Late=not seen\r\n"
            "[Added]\r\n"
            "a=1\r\n");
  EXPECT_EQ(ini.read(u"system", u"configpath"), u"/srv/lv8/config/");
}

TEST(IniWrite, EmptyFileAndFileWithoutFinalLineEnd) {
  IniFile empty;
  empty.write(u"system", u"ConfigPath", u"/x/");
  EXPECT_EQ(empty.serialize(), "[system]\nConfigPath=/x/\n");

  IniFile open = IniFile::parse("[a]\nx=1");
  open.write(u"a", u"y", u"2");
  EXPECT_EQ(open.serialize(), "[a]\nx=1\ny=2\n");
  IniFile header = IniFile::parse("[a]");
  header.write(u"A", u"y", u"2");
  EXPECT_EQ(header.serialize(), "[a]\ny=2\n");
}

TEST(IniWrite, RefusesTextThatWouldChangeTheStructure) {
  IniFile ini = IniFile::parse("[a]\nx=1\n");
  const std::pair<StringView, StringView> names[] = {
      {u"", u"k"}, {u"a", u""}, {u"a]b", u"k"}, {u"a", u"k=v"}, {u"a", u";k"}, {u"a", u"[k"}, {u"a\n[b", u"k"}, {u"a", u"k\rx"}};
  for (const auto& [section, key] : names)
    EXPECT_EQ(test::raisedError([&] { ini.write(section, key, u"v"); }).number(), err::InvalidProcedureCall)
        << toUtf8(section) << " / " << toUtf8(key);
  EXPECT_THROW(ini.write(u"a", u"x", u"v\n[evil]\nk=v"), AutomationError);
  EXPECT_EQ(ini.serialize(), "[a]\nx=1\n");
}

TEST(IniRemove, KeysAndSections) {
  IniFile ini = IniFile::parse("[a]\nx=1\ny=2\nX=3\n[b]\nz=1\n");
  EXPECT_TRUE(ini.removeKey(u"A", u"x"));
  EXPECT_FALSE(ini.removeKey(u"a", u"x"));
  EXPECT_TRUE(ini.removeSection(u"B"));
  EXPECT_FALSE(ini.removeSection(u"b"));
  EXPECT_EQ(ini.serialize(), "[a]\ny=2\n");
}

TEST(IniEncodings, AnsiFileReadAndWrittenInItsCodePage) {
  test::CodePageScope chinese(936);
  // "配置" in GBK; not valid UTF-8.
  const std::string gbk = "; \xc5\xe4\xd6\xc3\r\n[system]\r\nName=\xc5\xe4\xd6\xc3\r\n";
  IniFile ini = IniFile::parse(gbk);
  EXPECT_EQ(ini.encoding(), Encoding::Ansi);
  EXPECT_EQ(ini.read(u"system", u"name"), u"\u914d\u7f6e");
  ini.write(u"system", u"Path", u"\u8def\u5f84");  // 路径, in GBK too
  EXPECT_EQ(ini.serialize(), gbk + "Path=\xc2\xb7\xbe\xb6\r\n");

  // A character outside the code page turns the file into UTF-8 instead of becoming "?".
  ini.write(u"system", u"Thai", u"\u0e01");
  EXPECT_EQ(ini.encoding(), Encoding::Utf8);
  IniFile again = IniFile::parse(ini.serialize());
  EXPECT_EQ(again.encoding(), Encoding::Utf8);
  EXPECT_EQ(again.read(u"system", u"Thai"), u"\u0e01");
  EXPECT_EQ(again.read(u"system", u"Name"), u"\u914d\u7f6e");
  EXPECT_EQ(again.read(u"system", u"Path"), u"\u8def\u5f84");
}

TEST(IniEncodings, ByteOrderMarksKept) {
  IniFile bom = IniFile::parse("\xef\xbb\xbf[s]\nk=\xe4\xb8\xad\n");
  EXPECT_EQ(bom.read(u"s", u"k"), u"\u4e2d");
  bom.write(u"s", u"j", u"\u6587");
  EXPECT_EQ(bom.serialize(), "\xef\xbb\xbf[s]\nk=\xe4\xb8\xad\nj=\xe6\x96\x87\n");

  auto utf16 = [](StringView s) {
    std::string out = "\xff\xfe";
    for (char16_t c : s) out += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out;
  };
  IniFile wide = IniFile::parse(utf16(u"[s]\r\nk=\u4e2d\r\n"));
  EXPECT_EQ(wide.encoding(), Encoding::Utf16LE);
  EXPECT_EQ(wide.read(u"S", u"K"), u"\u4e2d");
  wide.write(u"s", u"j", u"x");
  EXPECT_EQ(wide.serialize(), utf16(u"[s]\r\nk=\u4e2d\r\nj=x\r\n"));
}

TEST(IniFiles, OnDisk) {
  TempFolder tmp;
  const String file = tmp.name("Host/lv8app.ini");
  EXPECT_EQ(readString(file, u"system", u"ConfigPath"), u"");
  EXPECT_TRUE(sectionKeys(file, u"system").empty());
  writeString(file, u"system", u"ConfigPath", u"/srv/config");
  EXPECT_EQ(tmp.read("Host/lv8app.ini"), "[system]\nConfigPath=/srv/config\n");
  // Found again under another spelling of its path; written in place, no second file.
  writeString(tmp.name("host/LV8APP.INI"), u"System", u"Other", u"1");
  EXPECT_EQ(tmp.list("Host"), "lv8app.ini");
  EXPECT_EQ(readString(tmp.name("HOST/lv8app.ini"), u"SYSTEM", u"other"), u"1");
  EXPECT_EQ(sectionKeys(file, u"system"), (std::vector<String>{u"ConfigPath", u"Other"}));
  EXPECT_EQ(sectionNames(file), (std::vector<String>{u"system"}));

  // A folder where the file should be: the write fails and nothing is lost.
  tmp.mkdir("dir.ini");
  EXPECT_THROW(writeString(tmp.name("dir.ini"), u"a", u"b", u"c"), AutomationError);
  EXPECT_EQ(tmp.list("dir.ini"), "");
}

}  // namespace
}  // namespace lv8int::ini
