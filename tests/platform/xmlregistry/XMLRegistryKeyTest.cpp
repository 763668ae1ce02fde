// The values of a loaded key: kept as the file's text until asked for, one object per value
// from then on, found by name without regard to case whatever was removed before.
#include "platform/xmlregistry/XMLRegistryKey.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryValues.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;

const String kLong = String(70, u'N');  // longer than a name widened without allocating

Ref<XMLRegistryKey> loadedKey(Ref<XMLRegistry>& reg) {
  reg = make<XMLRegistry>();
  const std::string doc = "<registry><key name=\"K\">"
                          "<value name=\"Alpha\" text=\"1\"/>"
                          "<value name=\"beta\" text=\"a &amp; &lt;b&gt; &#9;\"/>"
                          "<value name=\"ALPHA\" text=\"3\"/>"
                          "<value name=\"\xe4\xb8\xad\xe6\x96\x87\" text=\"\xe4\xb8\xad\"/>"
                          "<value name=\"" + toUtf8(kLong) + "\" text=\"long\"/>"
                          "<value name=\"n" + toUtf8(kLong) + "\" text=\"longer\"/>"
                          "</key></registry>";
  EXPECT_TRUE(reg->loadXml(doc));
  return reg->RootKey()->OpenKey(u"k", false);
}

std::vector<String> namesIn(const XMLRegistryKey& key) {
  std::vector<String> out;
  for (size_t i = 0; i < key.valueCount(); ++i) out.push_back(key.valueAt(i)->Name());
  return out;
}

TEST(XMLRegistryKey, LoadedValuesAreFoundOnceAndKeepTheirObjects) {
  Ref<XMLRegistry> reg;
  Ref<XMLRegistryKey> key = loadedKey(reg);
  ASSERT_TRUE(key);
  // Read before any object is made: a name the file holds twice counts once, in its first
  // place and spelling, with the later text.
  EXPECT_EQ(CStr(key->GetValue(u"alpha", Variant::missing())), u"3");
  EXPECT_EQ(CStr(key->GetValue(u"BETA", Variant::missing())), u"a & <b> \t");
  EXPECT_EQ(CStr(key->GetValue(u"\u4e2d\u6587", Variant::missing())), u"\u4e2d");
  EXPECT_EQ(CStr(key->GetValue(u"n" + String(70, u'n'), Variant::missing())), u"longer");
  EXPECT_EQ(key->Values()->Count(), 5);
  EXPECT_EQ(namesIn(*key), (std::vector<String>{u"Alpha", u"beta", u"\u4e2d\u6587", kLong, u"n" + kLong}));

  // Every way to a value gives the one object, and a change through it is the key's.
  Ref<XMLRegistryValue> alpha = key->findValue(u"ALPHA");
  ASSERT_TRUE(alpha);
  EXPECT_EQ(key->findValue(u"alpha"), alpha);
  EXPECT_EQ(key->Values()->Item(Variant(int32_t{1})), alpha);
  EXPECT_EQ(key->Values()->Item(Variant(u"Alpha")), alpha);
  EXPECT_EQ(key->AddValue(u"aLPHA", u"4"), alpha);
  EXPECT_EQ(alpha->Value(), u"4");
  std::vector<Ref<Object>> enumerated;
  forEach(key->Values(), [&](const Variant& v) { enumerated.push_back(v.rawObject()); });
  ASSERT_EQ(enumerated.size(), 5u);
  EXPECT_EQ(enumerated[0], Ref<Object>(alpha));
  EXPECT_EQ(enumerated[2], Ref<Object>(key->findValue(u"\u4e2d\u6587")));

  // Values asked for and values not asked for are written alike.
  auto again = make<XMLRegistry>();
  ASSERT_TRUE(again->loadXml(reg->toXml()));
  const std::string before = again->toXml();
  Ref<XMLRegistryKey> copy = again->RootKey()->OpenKey(u"K", false);
  for (size_t i = 0; i < copy->valueCount(); ++i) copy->valueAt(i);
  EXPECT_EQ(again->toXml(), before);
  EXPECT_THAT(before, HasSubstr("text=\"a &amp; &lt;b> &#09;\""));
}

// Removing values one by one, in an order drawn at random, from a key that was loaded and from
// one that was filled by calls: after each removal the others are still found and keep their
// order.
TEST(XMLRegistryKey, RemovingValuesKeepsTheOthersFoundAndInOrder) {
  constexpr int kValues = 300;
  std::string doc = "<registry>";
  for (int i = 0; i < kValues; ++i) doc += "<value name=\"V" + std::to_string(i) + "\" text=\"" + std::to_string(i) + "\"/>";
  doc += "</registry>";
  for (const bool loaded : {true, false}) {
    SCOPED_TRACE(loaded ? "loaded" : "added");
    auto reg = make<XMLRegistry>();
    Ref<XMLRegistryKey> key = reg->RootKey();
    if (loaded) {
      ASSERT_TRUE(reg->loadXml(doc));
    } else {
      for (int i = 0; i < kValues; ++i) key->AddValue(fromUtf8("V" + std::to_string(i)), fromUtf8(std::to_string(i)));
    }
    std::vector<int> left(kValues), order(kValues);
    for (int i = 0; i < kValues; ++i) left[i] = order[i] = i;
    std::mt19937 random(15);
    std::shuffle(order.begin(), order.end(), random);
    for (size_t n = 0; n < order.size(); ++n) {
      const int gone = order[n];
      key->RemoveValue(fromUtf8("v" + std::to_string(gone)));
      left.erase(std::find(left.begin(), left.end(), gone));
      ASSERT_EQ(key->valueCount(), left.size());
      ASSERT_FALSE(key->findValue(fromUtf8("V" + std::to_string(gone))));
      if (n % 37 != 0 && n + 1 != order.size()) continue;
      for (size_t i = 0; i < left.size(); ++i) {
        const std::string name = "v" + std::to_string(left[i]);
        ASSERT_EQ(CStr(key->GetValue(fromUtf8(name), Variant::missing())), fromUtf8(std::to_string(left[i]))) << name;
        ASSERT_EQ(key->valueAt(i)->Name(), fromUtf8("V" + std::to_string(left[i])));
      }
    }
    // Added again after all were removed: found, and written once.
    key->AddValue(u"V7", u"back");
    EXPECT_EQ(key->findValue(u"v7")->text(), u"back");
    EXPECT_EQ(reg->toXml().find("V7"), reg->toXml().rfind("V7"));
  }
}

}  // namespace
}  // namespace lv8int
