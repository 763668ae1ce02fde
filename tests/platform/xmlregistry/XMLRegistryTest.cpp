#include "platform/xmlregistry/XMLRegistry.h"

#include <cerrno>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/files/IWriteFaults.h"
#include "platform/xmlregistry/XMLRegistryKeys.h"
#include "platform/xmlregistry/XMLRegistryValues.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using test::TempFolder;
using test::errorOf;

std::vector<String> namesOf(const Ref<Object>& collection) {
  std::vector<String> out;
  forEach(collection, [&](const Variant& item) { out.push_back(CStr(item.rawObject()->get(u"Name"))); });
  return out;
}

TEST(XMLRegistry, RoundTripThroughAFile) {
  TempFolder tmp;
  const String tricky = u"  <a & \"b\" 'c'>\r\n\ttab \u4e2d\u6587 \x01 end  ";
  auto reg = make<XMLRegistry>();
  Ref<XMLRegistryKey> root = reg->RootKey();
  root->SetDefaultValue(u"root default");
  root->AddValue(u"Top", u"1");
  Ref<XMLRegistryKey> child = root->OpenKey(u"General/MDIChild", true);
  child->AddValue(u"ViewToolText", u"1");
  child->AddValue(u"Tricky", tricky);
  child->AddValue(u"Empty", u"");
  root->OpenKey(u"General", false)->SetDefaultValue(tricky);
  root->OpenKey(u"\u7528\u6237/Empty key", true);

  reg->Save(tmp.name("Machines\\PC1\\MachineCfg.xml"));  // folders made, backslashes taken as "/"
  const std::string file = tmp.read("Machines/PC1/MachineCfg.xml");
  EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<registry format=\"lv8int-registry\"", 0), 0u);
  EXPECT_THAT(file, HasSubstr("<value name=\"ViewToolText\" text=\"1\" />"));

  auto back = make<XMLRegistry>();
  ASSERT_TRUE(back->Load(tmp.name("machines/pc1/machinecfg.xml")));
  Ref<XMLRegistryKey> r = back->RootKey();
  EXPECT_EQ(r->DefaultValue(), u"root default");
  EXPECT_EQ(CStr(r->GetValue(u"TOP", Variant::missing())), u"1");
  Ref<XMLRegistryKey> c = r->OpenKey(u"general/mdichild", false);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Name(), u"MDIChild");
  EXPECT_EQ(c->findValue(u"tricky")->text(), tricky);
  EXPECT_EQ(c->findValue(u"Empty")->text(), u"");
  EXPECT_EQ(r->OpenKey(u"General", false)->DefaultValue(), tricky);
  ASSERT_TRUE(r->OpenKey(u"\u7528\u6237/EMPTY KEY", false));
  EXPECT_EQ(namesOf(r->SubKeys()), (std::vector<String>{u"General", u"\u7528\u6237"}));
  EXPECT_EQ(namesOf(c->Values()), (std::vector<String>{u"ViewToolText", u"Tricky", u"Empty"}));
  // Saving what was loaded gives the same bytes.
  EXPECT_EQ(back->toXml(), file);
}

TEST(XMLRegistry, ValuesItemOfAMissingName) {
  auto reg = make<XMLRegistry>();
  Ref<XMLRegistryKey> hint = reg->RootKey()->OpenKey(u"hint", true);
  Ref<XMLRegistryValues> values = hint->Values();

  // A lookup sees "not found": reading the value raises 5 and nothing is added.
  Ref<XMLRegistryValue> missing = values->Item(Variant(u"Welcome"));
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->exists());
  EXPECT_EQ(errorOf([&] { missing->Value(); }), err::InvalidProcedureCall);
  EXPECT_EQ(values->Count(), 0);
  EXPECT_THAT(reg->toXml(), Not(HasSubstr("Welcome")));

  // Setting it creates it, late-bound as a host does.
  Variant item = hint->get(u"Values").rawObject()->call(u"Item", {Variant(u"Welcome")});
  item.rawObject()->put(u"Value", Variant(u"1"));
  EXPECT_EQ(values->Count(), 1);
  EXPECT_EQ(CStr(hint->GetValue(u"WELCOME", Variant(u"0"))), u"1");
  EXPECT_EQ(values->Item(Variant(u"welcome"))->Name(), u"Welcome");
  EXPECT_TRUE(values->Item(Variant(u"welcome"))->exists());

  // An older pending value for the same name now reads and writes the stored one.
  EXPECT_EQ(missing->Value(), u"1");
  missing->SetValue(u"2");
  EXPECT_EQ(values->Count(), 1);
  EXPECT_EQ(hint->findValue(u"Welcome")->text(), u"2");

  // Position indexes and their bounds.
  EXPECT_EQ(values->Item(Variant(int32_t{1}))->Name(), u"Welcome");
  EXPECT_EQ(errorOf([&] { values->Item(Variant(int32_t{0})); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { values->Item(Variant(int32_t{2})); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { values->Item(Variant(u"")); }), err::InvalidProcedureCall);
}

TEST(XMLRegistry, KeysAndValues) {
  auto reg = make<XMLRegistry>();
  Ref<XMLRegistryKey> root = reg->RootKey();
  EXPECT_FALSE(root->OpenKey(u"General/MDIChild", false));
  EXPECT_FALSE(root->OpenKey(u"General", false));  // a failed open creates nothing
  Ref<XMLRegistryKey> k = root->OpenKey(u"/General//MDIChild/", true);
  EXPECT_EQ(root->OpenKey(u"general/mdichild", false), k);
  EXPECT_EQ(root->OpenKey(u"", false), root);
  EXPECT_EQ(root->OpenKey(u"General", true)->SubKeys()->Count(), 1);

  // AddValue of an existing name sets it rather than making a second value.
  Ref<XMLRegistryValue> v = k->AddValue(u"LargeIcons", u"1");
  EXPECT_EQ(k->AddValue(u"largeicons", u"0"), v);
  EXPECT_EQ(v->Value(), u"0");
  EXPECT_EQ(k->Values()->Count(), 1);

  // GetValue hands back the default with its own type.
  Variant zero(int16_t{0});
  EXPECT_TRUE(k->GetValue(u"Missing", zero).sameAs(zero));
  EXPECT_EQ(k->GetValue(u"Missing", Variant::missing()).rawString(), u"");
  EXPECT_EQ(k->GetValue(u"LargeIcons", zero).rawString(), u"0");

  k->RemoveValue(u"LARGEICONS");
  k->RemoveValue(u"LargeIcons");  // already gone: nothing happens
  EXPECT_EQ(k->Values()->Count(), 0);
  EXPECT_EQ(errorOf([&] { k->AddValue(u"", u"x"); }), err::InvalidProcedureCall);
  // A NUL or half of a surrogate pair cannot be written to the file, so it is refused rather
  // than cut off or turned into another character there.
  const String unwritable[] = {String(u"a\0b", 3), String(1, char16_t(0xD83D)), u"x" + String(1, char16_t(0xDE00)),
                               String{char16_t(0xDE00), char16_t(0xD83D)}, String{char16_t(0xD83D), u'a'}};
  for (const String& bad : unwritable) {
    SCOPED_TRACE(testing::PrintToString(std::vector<int>(bad.begin(), bad.end())));
    EXPECT_EQ(errorOf([&] { k->AddValue(u"v", bad); }), err::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { k->AddValue(bad, u"x"); }), err::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { k->SetDefaultValue(bad); }), err::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { root->OpenKey(bad, true); }), err::InvalidProcedureCall);
    EXPECT_EQ(errorOf([&] { k->Values()->Item(Variant(u"p"))->SetValue(bad); }), err::InvalidProcedureCall);
    EXPECT_EQ(k->Values()->Count(), 0);
    EXPECT_EQ(k->DefaultValue(), u"");
  }
  const String pair{u'a', char16_t(0xD83D), char16_t(0xDE00)};  // a character beyond the BMP is fine
  k->AddValue(pair, pair);
  auto copy = make<XMLRegistry>();
  ASSERT_TRUE(copy->loadXml(reg->toXml()));
  EXPECT_EQ(copy->RootKey()->OpenKey(u"General/MDIChild", false)->findValue(pair)->text(), pair);
  k->RemoveValue(pair);

  root->OpenKey(u"General/Other", true);
  root->DeleteKey(u"general/MDICHILD");
  EXPECT_FALSE(root->OpenKey(u"General/MDIChild", false));
  EXPECT_EQ(namesOf(root->OpenKey(u"General", false)->SubKeys()), (std::vector<String>{u"Other"}));
  root->DeleteKey(u"no/such/key");
  EXPECT_EQ(errorOf([&] { root->DeleteKey(u"/"); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([&] { root->SubKeys()->Item(Variant(u"none")); }), err::InvalidProcedureCall);

  // Late-bound: the default member of a key is its default value.
  Args none;
  Args text{Variant(u"dv")};
  k->invokeId(DISPID_VALUE, InvokeKind::PropertyPut, text);
  EXPECT_EQ(CStr(k->invokeId(DISPID_VALUE, InvokeKind::PropertyGet, none)), u"dv");
  EXPECT_TRUE(root->call(u"OpenKey", {Variant(u"nowhere")}).isObject());
  EXPECT_FALSE(root->call(u"OpenKey", {Variant(u"nowhere")}).rawObject());
}

TEST(XMLRegistry, DepthIsBounded) {
  auto reg = make<XMLRegistry>();
  String deep;
  for (int i = 0; i <= XMLRegistryKey::kMaxDepth; ++i) deep += u"k/";
  EXPECT_EQ(errorOf([&] { reg->RootKey()->OpenKey(deep, true); }), err::InvalidProcedureCall);

  std::string doc = "<registry>";
  for (int i = 0; i <= XMLRegistryKey::kMaxDepth + 1; ++i) doc += "<key name=\"k\">";
  for (int i = 0; i <= XMLRegistryKey::kMaxDepth + 1; ++i) doc += "</key>";
  doc += "</registry>";
  EXPECT_FALSE(reg->loadXml(doc));
}

TEST(XMLRegistry, FailedLoadLeavesAnEmptyRegistry) {
  TempFolder tmp;
  tmp.write("malformed.xml", "<registry><key name=\"a\"></registry>");
  tmp.write("foreign.xml", "<config><property name=\"a\" value=\"b\"/></config>");
  tmp.write("merged.xml",
            "<registry><key name=\"A\"><value name=\"x\" text=\"1\"/></key><key name=\"a\"><value name=\"X\" text=\"2\"/>"
            "<value text=\"nameless\"/><key name=\"b/c\"/></key><unknown/></registry>");
  const char* failing[] = {"missing.xml", "malformed.xml", "foreign.xml"};
  for (const char* name : failing) {
    SCOPED_TRACE(name);
    auto reg = make<XMLRegistry>();
    Ref<XMLRegistryKey> root = reg->RootKey();
    root->SetDefaultValue(u"d");
    root->OpenKey(u"old", true)->AddValue(u"v", u"1");
    root->AddValue(u"v", u"1");
    EXPECT_FALSE(reg->Load(tmp.name(name)));
    EXPECT_EQ(reg->RootKey(), root);
    EXPECT_EQ(root->DefaultValue(), u"");
    EXPECT_EQ(root->Values()->Count(), 0);
    EXPECT_EQ(root->SubKeys()->Count(), 0);
    EXPECT_FALSE(reg->lastError().reason.empty());
  }
  auto reg = make<XMLRegistry>();
  ASSERT_TRUE(reg->Load(tmp.name("merged.xml")));
  Ref<XMLRegistryKey> a = reg->RootKey()->OpenKey(u"a", false);
  ASSERT_TRUE(a);
  EXPECT_EQ(reg->RootKey()->SubKeys()->Count(), 1);  // repeated keys merge
  EXPECT_EQ(a->Values()->Count(), 1);                // a later value of a name wins
  EXPECT_EQ(a->findValue(u"x")->text(), u"2");
  EXPECT_EQ(a->SubKeys()->Count(), 0);  // a name no path can reach is skipped
}

// A file is parsed where it was read, which changes its bytes: a failure is still described
// as from the file's own text, as loadXml describes the same bytes.
TEST(XMLRegistry, AFailedLoadIsDescribedFromTheFilesOwnText) {
  struct Case {
    const char* text;
    int32_t code;
    int32_t line, column;
  };
  const Case cases[] = {
      // Line breaks in attribute values (which the parser turns into spaces) before the error.
      {"<registry>\n<value name=\"a\" text=\"x\ny\r\nz\"/>\n<value name=\"b\"></wrong>\n</registry>",
       xml::xmlerr::EndTagMismatch, 5, 17},
      // An attribute named twice, looked for while the registry is filled.
      {"<registry>\n<key\nname=\"a\">\n<value name=\"v\" name=\"w\"/></key></registry>", xml::xmlerr::DuplicateAttribute,
       4, 2},
      {"\xef\xbb\xbf<registry>\n<key name=\"a\"><x><y q=\"1\"\n q=\"2\"/></x></key></registry>",
       xml::xmlerr::DuplicateAttribute, 2, 19},
      // Not a registry, and an attribute named twice below: the attribute counts.
      {"<config>\n<a x='1'\n x='2'/></config>", xml::xmlerr::DuplicateAttribute, 2, 2},
      {"<config a=\"\n\"/>", 0, 0, 0},
      // Text after the registry, up to the file's last byte.
      {"<registry/>p", xml::xmlerr::InvalidAtTopLevel, 1, 12},
      {"<registry/><!-- c -->\nx", xml::xmlerr::InvalidAtTopLevel, 2, 1},
      {"<registry>\n<value name=\"a\" text=\"\x01\"/></registry>", xml::xmlerr::BadText, 2, 23},
  };
  TempFolder tmp;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    tmp.write("store.xml", c.text);
    auto fromFile = make<XMLRegistry>();
    fromFile->RootKey()->AddValue(u"old", u"1");
    EXPECT_FALSE(fromFile->Load(tmp.name("store.xml")));
    EXPECT_EQ(fromFile->RootKey()->Values()->Count(), 0);
    auto fromBytes = make<XMLRegistry>();
    EXPECT_FALSE(fromBytes->loadXml(c.text));
    const xml::XmlParseError& e = fromFile->lastError();
    EXPECT_EQ(e.errorCode, c.code);
    EXPECT_EQ(e.line, c.line);
    EXPECT_EQ(e.column, c.column);
    EXPECT_EQ(e.reason, fromBytes->lastError().reason);
    EXPECT_EQ(e.url, tmp.name("store.xml"));
    // What the failed load found is what a save compares the file with.
    ASSERT_TRUE(fromFile->origin());
    EXPECT_TRUE(fromFile->origin()->hash);
  }
  auto missing = make<XMLRegistry>();
  EXPECT_FALSE(missing->Load(tmp.name("Sub/none.xml")));
  EXPECT_EQ(missing->lastError().errorCode, xml::xmlerr::FileNotFound);
  EXPECT_FALSE(missing->origin()->hash);
  tmp.mkdir("folder.xml");
  EXPECT_FALSE(missing->Load(tmp.name("FOLDER.xml")));
  EXPECT_EQ(missing->lastError().errorCode, xml::xmlerr::AccessDenied);
  EXPECT_EQ(missing->origin()->path, tmp.name("folder.xml"));
}

class FailRename : public files::IWriteFaults {
 public:
  int failure(files::WriteStep step, StringView) override { return step == files::WriteStep::Rename ? ENOSPC : 0; }
};

TEST(XMLRegistry, FailedSaveKeepsTheOldFile) {
  TempFolder tmp;
  auto reg = make<XMLRegistry>();
  reg->RootKey()->AddValue(u"v", u"old");
  reg->Save(tmp.name("usercfg.xml"));
  const std::string before = tmp.read("usercfg.xml");
  reg->RootKey()->AddValue(u"v", u"new");
  {
    FailRename faults;
    ServiceScope<files::IWriteFaults> scope(faults);
    EXPECT_EQ(errorOf([&] { reg->Save(tmp.name("usercfg.xml")); }), 61);
  }
  EXPECT_EQ(tmp.read("usercfg.xml"), before);
  EXPECT_EQ(tmp.list(), "usercfg.xml,usercfg.xml.lock");
  EXPECT_EQ(reg->RootKey()->findValue(u"v")->text(), u"new");  // still in memory for a retry
  reg->Save(tmp.name("usercfg.xml"));
  auto back = make<XMLRegistry>();
  ASSERT_TRUE(back->Load(tmp.name("usercfg.xml")));
  EXPECT_EQ(back->RootKey()->findValue(u"v")->text(), u"new");
}

TEST(XMLRegistry, CreatedByProgID) {
  Ref<Object> reg = ComponentRegistry::instance().create(u"XMLRegistryLib.XMLRegistry");
  ASSERT_TRUE(query<XMLRegistry>(reg));
  EXPECT_TRUE(reg->get(u"RootKey").isObject());
}

}  // namespace
}  // namespace lv8int
