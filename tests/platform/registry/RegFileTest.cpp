#include "platform/registry/RegFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;

using reg::Value;

// The bytes the platform's registry editor writes: a UTF-16LE byte-order mark, then every
// character as its low byte and its high byte, lines ending in CR LF.
std::string windowsExport(StringView text) {
  std::string bytes{'\xFF', '\xFE'};
  for (char16_t c : text) {
    if (c == u'\n') {
      bytes += std::string{'\r', '\0'};
    }
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

RegistryHive load(std::string_view bytes, std::vector<regfile::Problem>* problems = nullptr) {
  RegistryHive hive;
  regfile::Document doc = regfile::parse(bytes);
  if (problems) *problems = doc.problems;
  regfile::apply(doc.operations, hive, problems);
  return hive;
}

const Value& valueAt(const RegistryHive& hive, StringView key, StringView name) {
  RegistryKey* k = hive.find(reg::HKEY_LOCAL_MACHINE, reg::splitPath(key));
  if (!k) throw std::runtime_error("key missing: " + toUtf8(key));
  const Value* v = k->value(name);
  if (!v) throw std::runtime_error("value missing: " + toUtf8(name));
  return *v;
}

std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

constexpr char16_t kEveryType[] =
    u"Windows Registry Editor Version 5.00\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\n"
    u"@=\"默认值\"\n"
    u"\"Path\"=\"C:\\\\Program Files\\\\\\\"App\\\"\"\n"
    u"\"Count\"=dword:0000002a\n"
    u"\"Blob\"=hex:00,01,7f,80,ff\n"
    u"\"Home\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00,61,00,00,00\n"
    u"\"List\"=hex(7):61,00,00,00,2d,4e,87,65,00,00,00,00\n"
    u"\"Big\"=hex(5):12,34,56,78\n"
    u"\"Wide\"=hex(b):01,02,03,04,05,06,07,88\n"
    u"\"Nothing\"=hex(0):\n"
    u"\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    u"  17,18,19,1a,1b,1c,1d,1e,1f\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\\Empty]\n"
    u"\n";

TEST(RegFile, ReadsAWindowsExportOfEveryValueType) {
  std::vector<regfile::Problem> problems;
  regfile::Document doc = regfile::parse(windowsExport(kEveryType));
  EXPECT_EQ(doc.encoding, regfile::Encoding::Utf16le);
  EXPECT_EQ(doc.format, regfile::Format::Version5);
  RegistryHive hive = load(windowsExport(kEveryType), &problems);
  EXPECT_TRUE(problems.empty()) << toUtf8(problems.front().message);
  const StringView app = u"SOFTWARE\\Vendor\\App";

  EXPECT_EQ(valueAt(hive, app, u"").type, reg::REG_SZ);
  EXPECT_EQ(valueAt(hive, app, u"").text(), u"默认值");
  EXPECT_EQ(valueAt(hive, app, u"").data.size(), 8u);  // three characters and the zero
  EXPECT_EQ(valueAt(hive, app, u"path").text(), u"C:\\Program Files\\\"App\"");
  EXPECT_EQ(valueAt(hive, app, u"Count").type, reg::REG_DWORD);
  EXPECT_EQ(valueAt(hive, app, u"Count").data, bytesOf({0x2a, 0, 0, 0}));
  EXPECT_EQ(valueAt(hive, app, u"Blob").type, reg::REG_BINARY);
  EXPECT_EQ(valueAt(hive, app, u"Blob").data, bytesOf({0, 1, 0x7f, 0x80, 0xff}));
  EXPECT_EQ(valueAt(hive, app, u"Home").type, reg::REG_EXPAND_SZ);
  EXPECT_EQ(valueAt(hive, app, u"Home").text(), u"%HOME%\\a");
  EXPECT_EQ(valueAt(hive, app, u"List").type, reg::REG_MULTI_SZ);
  EXPECT_EQ(valueAt(hive, app, u"List").items(), (std::vector<String>{u"a", u"中文"}));
  EXPECT_EQ(valueAt(hive, app, u"Big").type, reg::REG_DWORD_BIG_ENDIAN);
  EXPECT_EQ(valueAt(hive, app, u"Big").number(), 0x12345678u);
  EXPECT_EQ(valueAt(hive, app, u"Wide").type, reg::REG_QWORD);
  EXPECT_EQ(valueAt(hive, app, u"Wide").number(), 0x8807060504030201ull);
  EXPECT_EQ(valueAt(hive, app, u"Nothing").type, reg::REG_NONE);
  EXPECT_TRUE(valueAt(hive, app, u"Nothing").data.empty());
  ASSERT_EQ(valueAt(hive, app, u"Long").data.size(), 32u);
  EXPECT_EQ(valueAt(hive, app, u"Long").data[31], 0x1f);
  EXPECT_NE(hive.find(reg::HKEY_LOCAL_MACHINE, reg::splitPath(u"software\\vendor\\app\\EMPTY")), nullptr);
  // Values keep the order of the file.
  RegistryKey* key = hive.find(reg::HKEY_LOCAL_MACHINE, reg::splitPath(app));
  EXPECT_EQ(key->values()[1].name, u"Path");
  EXPECT_EQ(key->values()[9].name, u"Long");
}

TEST(RegFile, WrittenFileReadsBackToTheSameValues) {
  RegistryHive original = load(windowsExport(kEveryType));
  RegistryKey* key = original.create(reg::HKEY_CURRENT_USER, {u"Odd"});
  // Text values the quoted form cannot carry exactly go out as hex(1).
  key->setValue(Value::string(u"Lines", u"one\r\ntwo"));
  key->setValue(Value::binary(u"NoZero", reg::utf16leBytes(u"abc"), reg::REG_SZ));
  key->setValue(Value::binary(u"ShortDword", bytesOf({1, 2}), reg::REG_DWORD));
  key->setValue(Value::string(u"Name \"quoted\" \\ with\nbreak", u"v"));

  for (bool utf16 : {false, true}) {
    regfile::WriteOptions options{utf16 ? regfile::Encoding::Utf16le : regfile::Encoding::Utf8, utf16};
    std::string text = regfile::write(original, options);
    RegistryHive copy = load(text);
    EXPECT_EQ(regfile::write(copy, options), text);
    RegistryKey* odd = copy.find(reg::HKEY_CURRENT_USER, {u"odd"});
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->value(u"Lines")->text(), u"one\r\ntwo");
    EXPECT_EQ(odd->value(u"NoZero")->data, reg::utf16leBytes(u"abc"));
    EXPECT_EQ(odd->value(u"NoZero")->type, reg::REG_SZ);
    EXPECT_EQ(odd->value(u"ShortDword")->data, bytesOf({1, 2}));
    EXPECT_EQ(odd->value(u"ShortDword")->type, reg::REG_DWORD);
    EXPECT_NE(odd->value(u"Name \"quoted\" \\ with\nbreak"), nullptr);
    for (const Value& v : original.find(reg::HKEY_LOCAL_MACHINE, reg::splitPath(u"SOFTWARE\\Vendor\\App"))->values()) {
      const Value& back = valueAt(copy, u"SOFTWARE\\Vendor\\App", v.name);
      EXPECT_EQ(back.type, v.type) << toUtf8(v.name);
      EXPECT_EQ(back.data, v.data) << toUtf8(v.name);
    }
  }
}

TEST(RegFile, WritesTheExportForm) {
  RegistryHive hive;
  RegistryKey* k = hive.create(reg::HKEY_CLASSES_ROOT, {u"Sample.Class"});
  k->setValue(Value::string(u"", u"a\\b"));
  k->setValue(Value::dword(u"N", 10));
  std::vector<uint8_t> many(40, 0xab);
  k->setValue(Value::binary(u"B", many));
  std::string text = regfile::write(hive);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Sample.Class]\n"
                      "@=\"a\\\\b\"\n"
                      "\"N\"=dword:0000000a\n"
                      "\"B\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\n"
                      "  ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab\n"
                      "\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
  std::string utf16 = regfile::write(hive, {regfile::Encoding::Utf16le, true});
  EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFEW\0", 4));
  EXPECT_THAT(utf16, HasSubstr(std::string("0\0\r\0\n\0", 6)));
}

TEST(RegFile, Regedit4FileInTheAnsiCodePage) {
  codepage::setActiveCodePage(936);
  // "中文" in code page 936 is D6 D0 CE C4; hex(2) data of such files is ANSI text as well.
  std::string bytes =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n\"\xD6\xD0\"=\"\xCE\xC4\"\r\n"
      "\"Exp\"=hex(2):25,54,45,4d,50,25,5c,d6,d0,00\r\n"
      "\"Multi\"=hex(7):61,00,ce,c4,00,00\r\n";
  regfile::Document doc = regfile::parse(bytes);
  codepage::setActiveCodePage(0);
  EXPECT_EQ(doc.format, regfile::Format::Regedit4);
  EXPECT_EQ(doc.encoding, regfile::Encoding::Ansi);
  RegistryHive hive;
  regfile::apply(doc.operations, hive);
  EXPECT_EQ(valueAt(hive, u"SOFTWARE\\Old", u"中").text(), u"文");
  EXPECT_EQ(valueAt(hive, u"SOFTWARE\\Old", u"Exp").data, reg::utf16leBytes(StringView(u"%TEMP%\\中\0", 9)));
  EXPECT_EQ(valueAt(hive, u"SOFTWARE\\Old", u"Multi").items(), (std::vector<String>{u"a", u"文"}));
}

TEST(RegFile, DeletionsAndNamesWithoutRegardToCase) {
  RegistryHive hive = load(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Keep\"=\"1\"\n\"Drop\"=\"2\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A\\Sub\\Deep]\n\"x\"=\"y\"\n"
      "[HKEY_CLASSES_ROOT\\My.Class]\n@=\"class\"\n");
  EXPECT_EQ(valueAt(hive, u"SOFTWARE\\Classes\\my.class", u"").text(), u"class");
  regfile::Document doc = regfile::parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
      "; a comment line\n"
      "[hkey_local_machine\\SOFTWARE\\a]\n"
      "\"DROP\"=-\n"
      "\"keep\"=\"changed\"\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\SUB]\n"
      "\"ignored\"=\"because the key is being deleted\"\n"
      "[-HKEY_CLASSES_ROOT\\MY.CLASS]\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NotThere]\n");
  EXPECT_TRUE(doc.problems.empty());
  std::vector<regfile::Problem> problems;
  regfile::apply(doc.operations, hive, &problems);
  EXPECT_TRUE(problems.empty());
  RegistryKey* a = hive.find(reg::HKEY_LOCAL_MACHINE, {u"SOFTWARE", u"A"});
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->name(), u"A");  // the first spelling stays
  ASSERT_EQ(a->values().size(), 1u);
  EXPECT_EQ(a->values()[0].name, u"Keep");
  EXPECT_EQ(a->values()[0].text(), u"changed");
  EXPECT_EQ(a->childCount(), 0u);
  EXPECT_EQ(hive.find(reg::HKEY_CLASSES_ROOT, {u"My.Class"}), nullptr);
  EXPECT_NE(hive.find(reg::HKEY_CLASSES_ROOT, {}), nullptr);  // deleting below it keeps the classes root
}

TEST(RegFile, BadLinesAreReportedAndSkipped) {
  std::vector<regfile::Problem> problems;
  RegistryHive hive = load(
      "Windows Registry Editor Version 5.00\n"
      "\"early\"=\"outside a key\"\n"                 // 2
      "[HKEY_NOWHERE\\x]\n"                           // 3
      "\"lost\"=\"after a bad key line\"\n"           // 4
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n"           // 5
      "\"big\"=dword:123456789\n"                     // 6
      "\"open\"=\"no closing quote\n"                 // 7
      "\"bytes\"=hex:01,zz,\\\n"                      // 8
      "  03,04\n"                                     // 9: taken with line 8, not reported
      "\"good\"=dword:7\n"                            // 10
      "garbage\n"                                     // 11
      "\"type\"=hex(123456789):00\n"                  // 12
      "[-HKEY_LOCAL_MACHINE]\n",                      // 13
      &problems);
  std::vector<int> lines;
  for (const auto& p : problems) lines.push_back(p.line);
  EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 6, 7, 8, 11, 12, 13}));
  EXPECT_EQ(valueAt(hive, u"SOFTWARE\\T", u"good").number(), 7u);
  EXPECT_EQ(hive.find(reg::HKEY_LOCAL_MACHINE, {u"SOFTWARE", u"T"})->values().size(), 1u);
}

// Lines the way the platform's own import reads them, each case in single-byte files (version
// 5.00 and REGEDIT4, LF) and in a UTF-16LE export (CR LF). Line 1 is the header, line 2 the key
// line, the body follows.
struct ReadCase {
  const char* what;
  const char16_t* body;
  std::vector<std::pair<const char16_t*, std::string>> values;  // name -> data
  std::vector<const char16_t*> absent;
  std::vector<int> problemLines;
};

void expectRead(const std::vector<ReadCase>& cases) {
  for (const ReadCase& c : cases) {
    String text = String(u"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n") + c.body;
    std::string utf8 = toUtf8(text);
    std::string regedit4 = "REGEDIT4" + utf8.substr(utf8.find('\n'));
    for (const std::string& bytes : {utf8, regedit4, windowsExport(text)}) {
      SCOPED_TRACE(std::string(c.what) +
                   (bytes == utf8 ? " (5.00, single-byte)" : bytes == regedit4 ? " (REGEDIT4)" : " (UTF-16LE)"));
      std::vector<regfile::Problem> problems;
      RegistryHive hive = load(bytes, &problems);
      std::vector<int> lines;
      for (const auto& p : problems) lines.push_back(p.line);
      EXPECT_EQ(lines, c.problemLines);
      RegistryKey* key = hive.find(reg::HKEY_LOCAL_MACHINE, {u"SOFTWARE", u"T"});
      RegistryKey* other = hive.find(reg::HKEY_LOCAL_MACHINE, {u"SOFTWARE", u"Other"});
      if (!key) {
        ADD_FAILURE() << "the key is missing";
        continue;
      }
      for (const auto& [name, data] : c.values) {
        const Value* v = key->value(name) ? key->value(name) : other ? other->value(name) : nullptr;
        if (!v) {
          ADD_FAILURE() << "missing: " << toUtf8(name);
          continue;
        }
        EXPECT_EQ(std::string(v->data.begin(), v->data.end()), data) << toUtf8(name);
      }
      for (const char16_t* name : c.absent) EXPECT_EQ(key->value(name), nullptr) << toUtf8(name);
    }
  }
}

TEST(RegFile, ReadsLinesAsThePlatformDoesInBothEncodings) {
  expectRead({
      {"a blank line inside a continuation is skipped",
       u"\"V\"=hex:4c,69,6e,65,20,\\\n  63,6f,6e,\\\n\n  63,61,74,\\\n\n  65,6e,61,74,69,6f,6e\n\"After\"=dword:1\n",
       {{u"V", "Line concatenation"}, {u"After", std::string("\1\0\0\0", 4)}}, {}, {}},
      {"a line of blanks inside a continuation is skipped",
       u"\"V\"=hex:4c,69,6e,65,20,\\\n  63,6f,6e,63,61,74,\\\n   \t \n  65,6e,61,74,69,6f,6e\n",
       {{u"V", "Line concatenation"}}, {}, {}},
      {"a comment line inside a continuation is skipped",
       u"\"V\"=hex(0):4c,69,6e,65,20,\\\n;comment\n  63,6f,6e,63,61,74,\\ ;after the backslash\n"
       u"  ; indented comment\n  65,6e,61,74,69,6f,6e\n",
       {{u"V", "Line concatenation"}}, {}, {}},
      {"a backslash not after a comma ends the value and the next line is read",
       u"\"Cut\"=hex:4c,69,6e,65,20\\\n\"Next\"=\"kept\"\n\"Cut2\"=hex:01,02 \\\n"
       u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
       u"\"There\"=dword:2\n",
       {{u"Next", std::string("k\0e\0p\0t\0\0\0", 10)}, {u"There", std::string("\2\0\0\0", 4)}},
       {u"Cut", u"Cut2"},
       {3, 5}},
      {"blanks or a tab before the digits of a dword",
       u"\"Spaces\"=dword:  0000002a\n\"Tab\"=dword:\t2a ;comment\n\"Both\"=dword: \t 7\n",
       {{u"Spaces", std::string("*\0\0\0", 4)},
        {u"Tab", std::string("*\0\0\0", 4)},
        {u"Both", std::string("\7\0\0\0", 4)}},
       {},
       {}},
      {"a backslash at the end of the file keeps the bytes before it", u"\"Last\"=hex:4c,69,6e,65,\\",
       {{u"Last", "Line"}}, {}, {}},
      {"a line starting with # is a comment", u"# a comment\n\"A\"=dword:1\n  #indented\n\"B\"=dword:2\n",
       {{u"A", std::string("\1\0\0\0", 4)}, {u"B", std::string("\2\0\0\0", 4)}}, {}, {}},
  });
}

// What the platform ends or refuses stays ended or refused (the stray line is reported).
TEST(RegFile, ContinuationsEndWhereThePlatformEndsThem) {
  expectRead({
      {"a comment after a trailing comma ends the value",
       u"\"V\"=hex:4c,69,6e,65,20,\\\n  63,6f,6e,63,61,74,;comment\n  65,6e,61,74,69,6f,6e\n\"After\"=\"x\"\n",
       {{u"V", "Line concat"}, {u"After", std::string("x\0\0\0", 4)}}, {}, {5}},
      {"a backslash right after the type continues", u"\"V\"=hex(3):\\\n  01,02\n", {{u"V", "\1\2"}}, {}, {}},
      {"a dword of blanks only is refused", u"\"Empty\"=dword:  \n", {}, {u"Empty"}, {3}},
      {"a backslash before blank lines at the end of the file", u"\"Last\"=hex:4c,69,6e,65,\\\n\n  \n;done\n",
       {{u"Last", "Line"}}, {}, {}},
  });
}

TEST(RegFile, WithoutAHeaderNothingIsRead) {
  for (std::string bytes : {std::string(""), std::string("[HKEY_LOCAL_MACHINE\\x]\n"),
                            std::string("Windows Registry Editor Version 4.00\n"), std::string("\xFF\xFE", 2)}) {
    try {
      regfile::parse(bytes);
      ADD_FAILURE() << "accepted: " << bytes;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), 321);
    }
  }
}

TEST(RegFile, KeyNamesBeyondThePlatformLimitsAreRefused) {
  std::string deep = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER";
  for (int i = 0; i < 600; ++i) deep += "\\k";
  deep += "]\n[HKEY_CURRENT_USER\\" + std::string(256, 'n') + "]\n";
  std::vector<regfile::Problem> problems;
  RegistryHive hive = load(deep, &problems);
  EXPECT_EQ(problems.size(), 2u);
  EXPECT_TRUE(hive.empty());
}

}  // namespace
}  // namespace lv8int
