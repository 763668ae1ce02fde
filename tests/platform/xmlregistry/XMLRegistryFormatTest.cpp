// The document Save writes, against pugixml writing the same tree with its default format:
// files written before the registry wrote documents itself keep their bytes.
#include <pugixml.hpp>

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int {
namespace {

void pugiKey(pugi::xml_node element, const XMLRegistryKey& key) {
  if (!key.DefaultValue().empty()) element.append_attribute("default").set_value(toUtf8(key.DefaultValue()).c_str());
  for (size_t i = 0; i < key.valueCount(); ++i) {
    Ref<XMLRegistryValue> value = key.valueAt(i);
    pugi::xml_node v = element.append_child("value");
    v.append_attribute("name").set_value(toUtf8(value->Name()).c_str());
    v.append_attribute("text").set_value(toUtf8(value->text()).c_str());
  }
  for (const auto& sub : key.subKeys()) {
    pugi::xml_node k = element.append_child("key");
    k.append_attribute("name").set_value(toUtf8(sub->Name()).c_str());
    pugiKey(k, *sub);
  }
}

std::string pugiDocument(const XMLRegistry& reg) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node root = doc.append_child("registry");
  root.append_attribute("format").set_value("lv8int-registry");
  root.append_attribute("version").set_value("1");
  pugiKey(root, *reg.RootKey());
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

// Texts drawn from every control character, the characters XML escapes, and text from the
// three UTF-8 lengths and beyond the BMP.
String randomText(std::mt19937& random, bool name) {
  static const std::u16string pool = std::u16string(u"\t\n\r &<>\"'aZ/;=\u00e9\u4e2d\uff21") + u"\U0001F600";
  String out;
  const int length = std::uniform_int_distribution<int>(name ? 1 : 0, 12)(random);
  for (int i = 0; i < length; ++i) {
    if (random() % 6 == 0) {
      out += static_cast<char16_t>(1 + random() % 31);
      continue;
    }
    size_t at = random() % (pool.size() - 1);
    out += pool[at];
    if (pool[at] >= 0xD800 && pool[at] <= 0xDBFF) out += pool[at + 1];
    if (pool[at] >= 0xDC00 && pool[at] <= 0xDFFF) out.back() = u'x';
  }
  if (name)
    for (char16_t& c : out)
      if (c == u'/') c = u'_';
  return out;
}

TEST(XMLRegistryFormat, SaveWritesWhatPugixmlWritesForTheSameTree) {
  std::mt19937 random(20261206);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    auto reg = make<XMLRegistry>();
    std::vector<Ref<XMLRegistryKey>> keys{reg->RootKey()};
    const int steps = static_cast<int>(random() % 40);
    for (int i = 0; i < steps; ++i) {
      Ref<XMLRegistryKey> key = keys[random() % keys.size()];
      switch (random() % 4) {
        case 0:
          keys.push_back(key->addSubKey(randomText(random, true)));
          break;
        case 1:
          key->SetDefaultValue(randomText(random, false));
          break;
        default:
          key->AddValue(randomText(random, true), randomText(random, false));
      }
    }
    const std::string written = reg->toXml();
    ASSERT_EQ(written, pugiDocument(*reg));
    auto back = make<XMLRegistry>();
    ASSERT_TRUE(back->loadXml(written));
    EXPECT_EQ(back->toXml(), written);
  }
}

}  // namespace
}  // namespace lv8int
