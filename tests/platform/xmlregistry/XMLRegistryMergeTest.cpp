// Saves of one registry file by several writers: each keeps its own changes.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using test::TempFolder;

constexpr char kBase[] =
    "<registry default=\"rd\"><value name=\"a\" text=\"1\"/><value name=\"b\" text=\"2\"/>"
    "<value name=\"c\" text=\"3\"/><value name=\"d\" text=\"4\"/>"
    "<key name=\"K1\"><value name=\"v\" text=\"1\"/></key><key name=\"K2\"><value name=\"w\" text=\"1\"/></key>"
    "</registry>";

Ref<XMLRegistry> loaded(const TempFolder& tmp) {
  auto reg = make<XMLRegistry>();
  EXPECT_TRUE(reg->Load(tmp.name("usercfg.xml")));
  return reg;
}

String text(const Ref<XMLRegistry>& reg, const String& key, const String& name) {
  Ref<XMLRegistryKey> k = reg->RootKey()->OpenKey(key, false);
  if (!k) return u"<no key>";
  Ref<XMLRegistryValue> v = k->findValue(name);
  return v ? v->text() : u"<none>";
}

TEST(XMLRegistryMerge, TwoWritersKeepEachOthersChangesAndTheLaterWinsForOneValue) {
  TempFolder tmp;
  tmp.write("usercfg.xml", kBase);
  Ref<XMLRegistry> first = loaded(tmp);
  Ref<XMLRegistry> second = loaded(tmp);

  Ref<XMLRegistryKey> r1 = first->RootKey();
  r1->AddValue(u"a", u"first");
  r1->RemoveValue(u"b");
  r1->AddValue(u"onlyFirst", u"x");
  r1->OpenKey(u"New/Deep", true)->AddValue(u"x", u"1");
  r1->DeleteKey(u"K1");

  Ref<XMLRegistryKey> r2 = second->RootKey();
  r2->AddValue(u"A", u"second");  // the same value, spelled otherwise
  r2->AddValue(u"c", u"second");
  r2->RemoveValue(u"d");
  r2->AddValue(u"onlySecond", u"y");
  r2->OpenKey(u"K2", false)->AddValue(u"w", u"second");
  r2->SetDefaultValue(u"second default");

  first->Save(tmp.name("usercfg.xml"));
  second->Save(tmp.name("usercfg.xml"));

  auto back = loaded(tmp);
  const struct {
    const char16_t* key;
    const char16_t* name;
    const char16_t* text;
  } expected[] = {
      {u"", u"a", u"second"},         {u"", u"b", u"<none>"},       {u"", u"c", u"second"},
      {u"", u"d", u"<none>"},         {u"", u"onlyFirst", u"x"},    {u"", u"onlySecond", u"y"},
      {u"New/Deep", u"x", u"1"},      {u"K1", u"v", u"<no key>"},   {u"K2", u"w", u"second"},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(toUtf8(String(e.key) + u"/" + e.name));
    EXPECT_EQ(text(back, e.key, e.name), e.text);
    EXPECT_EQ(text(second, e.key, e.name), e.text);  // the later writer holds what it wrote
  }
  EXPECT_EQ(back->RootKey()->DefaultValue(), u"second default");
  EXPECT_EQ(second->toXml(), back->toXml());

  // The first writer, saving again with nothing new, takes the second's changes in and writes
  // the same document.
  const std::string merged = tmp.read("usercfg.xml");
  first->Save(tmp.name("usercfg.xml"));
  EXPECT_EQ(tmp.read("usercfg.xml"), merged);
  EXPECT_EQ(first->toXml(), merged);
}

TEST(XMLRegistryMerge, AKeyDeletedElsewhereStaysOnlyWithThisWritersChangesInIt) {
  TempFolder tmp;
  tmp.write("usercfg.xml", kBase);
  Ref<XMLRegistry> deleter = loaded(tmp);
  Ref<XMLRegistry> writer = loaded(tmp);
  Ref<XMLRegistryKey> k2 = writer->RootKey()->OpenKey(u"K2", false);
  deleter->RootKey()->DeleteKey(u"K1");
  deleter->RootKey()->DeleteKey(u"K2");
  deleter->Save(tmp.name("usercfg.xml"));

  k2->AddValue(u"mine", u"1");  // through a key object taken before the other save
  writer->Save(tmp.name("usercfg.xml"));
  auto back = loaded(tmp);
  EXPECT_EQ(text(back, u"K1", u"v"), u"<no key>");
  EXPECT_EQ(text(back, u"K2", u"mine"), u"1");
  EXPECT_EQ(text(back, u"K2", u"w"), u"<none>");
  // The key object the writer holds is still the one in its registry.
  k2->AddValue(u"later", u"2");
  writer->Save(tmp.name("usercfg.xml"));
  EXPECT_EQ(text(loaded(tmp), u"K2", u"later"), u"2");
}

TEST(XMLRegistryMerge, ANewFileOrAnUnchangedOneIsWrittenAsTheRegistryHoldsIt) {
  TempFolder tmp;
  tmp.write("usercfg.xml", kBase);
  Ref<XMLRegistry> reg = loaded(tmp);
  reg->RootKey()->RemoveValue(u"a");
  reg->Save(tmp.name("usercfg.xml"));
  EXPECT_EQ(tmp.read("usercfg.xml"), reg->toXml());
  EXPECT_EQ(text(reg, u"", u"b"), u"2");

  // Saved elsewhere, the registry is written as it is, whatever that file held.
  tmp.write("other.xml", "<registry><value name=\"foreign\" text=\"1\"/></registry>");
  reg->Save(tmp.name("other.xml"));
  EXPECT_EQ(tmp.read("other.xml"), reg->toXml());

  // A file that no longer reads as a registry holds nothing to merge.
  Ref<XMLRegistry> again = loaded(tmp);
  again->RootKey()->AddValue(u"z", u"1");
  tmp.write("usercfg.xml", "<registry><broken");
  again->Save(tmp.name("usercfg.xml"));
  EXPECT_EQ(tmp.read("usercfg.xml"), again->toXml());
  EXPECT_EQ(text(again, u"", u"b"), u"2");
}

// Four processes set 200 values each in one file, two of them loading it before every change
// (as separate "lv8 config set" runs do) and two keeping one registry open (as a host does).
TEST(XMLRegistryMerge, FourProcessesSettingDistinctValuesLoseNone) {
  TempFolder tmp;
  const String file = tmp.name("Users/alice/usercfg.xml");
  constexpr int kWriters = 4, kValues = 200;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      auto kept = make<XMLRegistry>();
      kept->Load(file);
      for (int i = 0; i < kValues; ++i) {
        try {
          Ref<XMLRegistry> reg = kept;
          if (w % 2 == 0) {
            reg = make<XMLRegistry>();
            reg->Load(file);
          }
          reg->RootKey()->OpenKey(u"Writer" + fromUtf8(std::to_string(w)), true)
              ->AddValue(fromUtf8("v" + std::to_string(i)), fromUtf8(std::to_string(i)));
          reg->Save(file);
        } catch (const AutomationError&) {
          ++failures;
        }
      }
      ::_exit(failures > 0 ? 1 : 0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto back = make<XMLRegistry>();
  ASSERT_TRUE(back->Load(file));
  int lost = 0;
  for (int w = 0; w < kWriters; ++w) {
    Ref<XMLRegistryKey> key = back->RootKey()->OpenKey(u"Writer" + fromUtf8(std::to_string(w)), false);
    for (int i = 0; i < kValues; ++i)
      if (!key || !key->findValue(fromUtf8("v" + std::to_string(i)))) ++lost;
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(tmp.list("Users/alice"), "usercfg.xml,usercfg.xml.lock");  // no temporary file left
}

}  // namespace
}  // namespace lv8int
