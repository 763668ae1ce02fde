#include "config/modXMLRegMethod.h"

#include <gtest/gtest.h>

#include "ConfigFakes.h"
#include "config/CUserConfig.h"
#include "platform/automation/Conversions.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryValues.h"

namespace lv8int {
namespace {

using modXMLRegMethod::GetConfigValue;
using modXMLRegMethod::SetConfigValue;

class KeyPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ref<XMLRegistryKey> root = registry->RootKey();
    root->AddValue(u"ViewToolText", u"root value");
    Ref<XMLRegistryKey> general = root->OpenKey(u"General", true);
    general->SetDefaultValue(u"general default");
    general->AddValue(u"Empty", u"");
    root->OpenKey(u"General/MDIChild", true)->AddValue(u"ViewToolText", u"1");
    root->OpenKey(u"NoDefault", true);
  }
  Variant get(const String& path, const Variant& def = Variant(int16_t{0})) {
    return GetConfigValue(registry, path, def);
  }
  // The stored text, or "<none>".
  String stored(const String& key, const String& name) {
    Ref<XMLRegistryKey> k = registry->RootKey()->OpenKey(key, false);
    if (!k) return u"<no key>";
    if (name.empty()) return k->DefaultValue();
    Ref<XMLRegistryValue> v = k->findValue(name);
    return v ? v->text() : u"<none>";
  }

  Ref<XMLRegistry> registry = make<XMLRegistry>();
};

TEST_F(KeyPathTest, TheLastSlashSplitsKeyPathAndValueName) {
  EXPECT_EQ(CStr(get(u"ViewToolText")), u"root value");  // no "/": the root key
  EXPECT_EQ(CStr(get(u"  General/MDIChild/ViewToolText  ")), u"1");
  EXPECT_EQ(CStr(get(u"general/mdichild/viewtooltext")), u"1");
  EXPECT_EQ(CStr(get(u"General/")), u"general default");  // trailing "/": the default value
}

TEST_F(KeyPathTest, AnythingNotFoundGivesTheDefaultWithItsOwnType) {
  for (const char16_t* path : {u"General/Missing", u"Missing/Key/Value", u"NoDefault/", u"/x/y/", u""}) {
    Variant v = get(path);
    EXPECT_EQ(v.type(), VarType::Integer) << toUtf8(path);
    EXPECT_EQ(CInt(v), 0);
  }
  EXPECT_TRUE(get(u"General/Missing", Variant()).isEmpty());
}

TEST_F(KeyPathTest, AStoredEmptyTextIsAFoundValue) {
  Variant v = get(u"General/Empty", Variant(u"default"));
  EXPECT_TRUE(v.isString());
  EXPECT_EQ(CStr(v), u"");
}

TEST_F(KeyPathTest, ToolbarOptionIsStoredOnlyWhileItIsOn) {
  const String path = u"Options/MDIChild/LargeIcons";
  const Variant off(int16_t{0});
  // Off with nothing stored: nothing is created.
  SetConfigValue(registry, path, Variant(int16_t{0}), off, true);
  EXPECT_EQ(stored(u"Options", u""), u"<no key>");
  // On: the keys are created and the text "1" stored.
  SetConfigValue(registry, path, Variant(int16_t{1}), off, true);
  EXPECT_EQ(stored(u"Options/MDIChild", u"LargeIcons"), u"1");
  // Off again: the value goes, the keys stay.
  SetConfigValue(registry, path, Variant(int16_t{0}), off, true);
  EXPECT_EQ(stored(u"Options/MDIChild", u"LargeIcons"), u"<none>");
}

TEST_F(KeyPathTest, BooleansAreWrittenAsTrueOrFalseAndFalseEqualsZero) {
  SetConfigValue(registry, u"General/MDIChild/ViewToolText", Variant(true), Variant(int16_t{0}), true);
  EXPECT_EQ(stored(u"General/MDIChild", u"ViewToolText"), u"True");
  SetConfigValue(registry, u"General/MDIChild/ViewToolText", Variant(false), Variant(int16_t{0}), true);
  EXPECT_EQ(stored(u"General/MDIChild", u"ViewToolText"), u"<none>");
  // Without the remove flag a value equal to the default is written.
  SetConfigValue(registry, u"General/MDIChild/ViewToolText", Variant(false), Variant(int16_t{0}), false);
  EXPECT_EQ(stored(u"General/MDIChild", u"ViewToolText"), u"False");
}

TEST_F(KeyPathTest, EmptyEqualsOnlyEmpty) {
  // Empty against 0 is not equal (though the automation comparison says so): written as "".
  SetConfigValue(registry, u"ViewToolText", Variant(), Variant(int16_t{0}), true);
  EXPECT_EQ(stored(u"", u"ViewToolText"), u"");
  SetConfigValue(registry, u"ViewToolText", Variant(int16_t{0}), Variant(), true);
  EXPECT_EQ(stored(u"", u"ViewToolText"), u"0");
  SetConfigValue(registry, u"ViewToolText", Variant(), Variant(), true);
  EXPECT_EQ(stored(u"", u"ViewToolText"), u"<none>");
}

TEST_F(KeyPathTest, DefaultValueIsClearedOrWrittenThroughATrailingSlash) {
  SetConfigValue(registry, u"General/", Variant(u"x"), Variant(u"x"), true);
  EXPECT_EQ(stored(u"General", u""), u"");
  SetConfigValue(registry, u"New/Key/", Variant(int32_t{12}), Variant(), false);
  EXPECT_EQ(stored(u"New/Key", u""), u"12");
}

TEST_F(KeyPathTest, AKeyThatCannotBeCreatedRaises) {
  String deep;
  for (int i = 0; i < XMLRegistryKey::kMaxDepth + 2; ++i) deep += u"k/";
  EXPECT_THROW(SetConfigValue(registry, deep + u"v", Variant(u"1"), Variant(), false), AutomationError);
}

TEST(ConfigValueOfTheApplication, WithoutAStoreReadsGiveTheDefaultAndWritesRaise91) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  ASSERT_FALSE(app->UserConfigControl());
  Variant v = GetConfigValue(app, u"General/MDIChild/ViewToolText", Variant(int16_t{0}), true);
  EXPECT_EQ(v.type(), VarType::Integer);
  EXPECT_EQ(test::raisedError([&] { SetConfigValue(app, u"a/b", Variant(int16_t{1}), Variant(int16_t{0}), true, true); })
                .number(),
            err::ObjectNotSet);
}

}  // namespace
}  // namespace lv8int
