#include "config/CRegistry.h"

#include <gtest/gtest.h>

#include "platform/ServiceScope.h"
#include "platform/automation/Conversions.h"
#include "platform/codepage/AnsiCodePage.h"
#include "platform/registry/Registry.h"
#include "support/Scopes.h"

namespace lv8int {
namespace {

constexpr int32_t HKCR = -2147483648;

class CRegistryTest : public ::testing::Test {
 protected:
  test::CodePageScope gbk{936};
  test::EnvironmentScope variable{"LV8_CREGISTRY_TEST", "/opt/应用"};

  void SetUp() override {
    reg::OpenedKey key(registry, reg::HKEY_CLASSES_ROOT, u"AppID\\{GUID}", true);
    ASSERT_TRUE(key.ok());
    auto set = [&](const reg::Value& v) { ASSERT_EQ(registry.setValue(key.handle(), v), reg::ERROR_SUCCESS); };
    set(reg::Value::string(u"RemoteServerName", u"abc"));
    set(reg::Value::string(u"", u"unnamed"));
    set(reg::Value::string(u"Chinese", u"服务器"));
    set(reg::Value::multiString(u"Multi", {u"a", u"bc"}));
    set(reg::Value::string(u"Expand", u"%LV8_CREGISTRY_TEST%\\bin", reg::REG_EXPAND_SZ));
    set(reg::Value::dword(u"Dword", 0xFFFFFFFEu));
    set(reg::Value::binary(u"BigEndian", {0x12, 0x34, 0x56, 0x78}, reg::REG_DWORD_BIG_ENDIAN));
    set(reg::Value::binary(u"Binary", {1, 2, 3}));
    set(reg::Value::qword(u"Qword", 0x0102030405060708ull));
  }

  Ref<CRegistry> at(const String& section, const String& value) {
    Ref<CRegistry> r = make<CRegistry>();
    r->put_ClassKey(HKCR);
    r->put_SectionKey(section);
    r->put_ValueKey(value);
    return r;
  }
  Variant read(const String& value, int32_t* type = nullptr) {
    Ref<CRegistry> r = at(u"AppID\\{GUID}", value);
    Variant v = r->Value();
    if (type) *type = r->ValueType();
    return v;
  }

  Registry registry{{}, {}};
  ServiceScope<IRegistry> scope{registry};
};

TEST_F(CRegistryTest, KeyExistsOpensTheSectionBelowTheClassKey) {
  EXPECT_TRUE(at(u"AppID\\{GUID}", u"")->KeyExists());
  EXPECT_TRUE(at(u"appid\\{guid}", u"")->KeyExists());
  EXPECT_FALSE(at(u"AppID\\{OTHER}", u"")->KeyExists());
  Ref<CRegistry> user = at(u"AppID\\{GUID}", u"");
  user->put_ClassKey(static_cast<int32_t>(reg::HKEY_CURRENT_USER));
  EXPECT_FALSE(user->KeyExists());
}

TEST_F(CRegistryTest, StringsDropOnlyTheFinalZeroAndSetTheType) {
  int32_t type = 0;
  EXPECT_EQ(CStr(read(u"RemoteServerName", &type)), u"abc");
  EXPECT_EQ(type, 1);
  EXPECT_EQ(CStr(read(u"")), u"unnamed");
  // Size counts ANSI bytes: two per character here, and the text comes back whole.
  EXPECT_EQ(CStr(read(u"Chinese")), u"服务器");
  // The zero after each item stays; only the list's final zero goes.
  EXPECT_EQ(CStr(read(u"Multi", &type)), String(u"a\0bc\0", 5));
  EXPECT_EQ(type, 7);
}

TEST_F(CRegistryTest, ExpandableStringsAreExpanded) {
  int32_t type = 0;
  EXPECT_EQ(CStr(read(u"Expand", &type)), u"/opt/应用\\bin");
  EXPECT_EQ(type, 2);
}

TEST_F(CRegistryTest, DwordsAreLongsInTheirByteOrder) {
  Variant little = read(u"Dword");
  EXPECT_EQ(little.type(), VarType::Long);
  EXPECT_EQ(CLng(little), -2);
  int32_t type = 0;
  Variant big = read(u"BigEndian", &type);
  EXPECT_EQ(CLng(big), 0x12345678);
  EXPECT_EQ(type, 5);
}

TEST_F(CRegistryTest, OtherTypesAreByteArraysWithOneExtraZeroByte) {
  int32_t type = 0;
  Variant binary = read(u"Binary", &type);
  ASSERT_TRUE(binary.isArray());
  EXPECT_EQ(binary.arrayElementType(), VarType::Byte);
  EXPECT_EQ(binary.arrayData()->lbound(), 0);
  EXPECT_EQ(binary.arrayData()->ubound(), 3);
  EXPECT_EQ(binary.arrayData()->toBytes(), (std::vector<uint8_t>{1, 2, 3, 0}));
  EXPECT_EQ(type, 3);
  Variant qword = read(u"Qword", &type);
  EXPECT_EQ(qword.arrayData()->toBytes(), (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(type, 11);
}

TEST_F(CRegistryTest, MissingValueOrKeyGivesTheDefaultAndLeavesTheType) {
  for (const auto& [section, value] : {std::pair<String, String>{u"AppID\\{GUID}", u"Nothing"},
                                       std::pair<String, String>{u"AppID\\{OTHER}", u"RemoteServerName"}}) {
    Ref<CRegistry> r = at(section, value);
    r->put_ValueType(1);
    r->put_Default(Variant(u"THIS-PC"));
    Variant v = r->Value();
    EXPECT_EQ(CStr(v), u"THIS-PC");
    EXPECT_EQ(r->ValueType(), 1);
  }
  Ref<CRegistry> none = at(u"AppID\\{GUID}", u"Nothing");
  EXPECT_TRUE(none->Value().isEmpty());  // the default starts Empty
}

}  // namespace
}  // namespace lv8int
