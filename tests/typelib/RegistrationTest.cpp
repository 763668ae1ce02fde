#include "typelib/Registration.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "platform/automation/AutomationError.h"
#include "support/RaisedError.h"
#include "typelib/Conformance.h"

using namespace lv8int;
using namespace lv8int::typelib;

namespace {

class Probe : public Object {
 public:
  explicit Probe(int32_t tag = 1) : tag_(tag) {}
  int32_t Tag() const { return tag_; }
  static const DispatchTable* classDispatchTable() {
    static const DispatchTable t = DispatchBuilder<Probe>(u"CProbe").get(u"Tag", &Probe::Tag).build();
    return &t;
  }
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  int32_t tag_;
};

ClassDesc probeDesc(bool creatable) {
  ClassDesc c;
  c.name = u"CProbe";
  c.clsid = u"{0A1B2C3D-0000-4000-8000-00000000C0DE}";
  c.creatable = creatable;
  c.defaultInterface = {u"_CProbe", {{u"Tag", InvokeKind::PropertyGet, DISPID_UNKNOWN, {}, u"Long", false}}};
  return c;
}

int32_t tagOf(const Ref<Object>& obj) { return CLng(obj->get(u"Tag")); }

using test::errorOf;

size_t countNamed(StringView name) {
  size_t n = 0;
  for (const Implementation& impl : implementations()) n += equalsNoCase(impl.className, name) ? 1 : 0;
  return n;
}

}  // namespace

TEST(Registration, CreatableClassIsCreatedByProgIDAndClassIdUntilUnregistered) {
  static const ClassDesc desc = probeDesc(true);
  auto& components = ComponentRegistry::instance();
  {
    Registration reg(desc, &Probe::classDispatchTable, [] { return Ref<Object>(make<Probe>(7)); });
    std::optional<Implementation> impl = findImplementation(u"cprobe");
    ASSERT_TRUE(impl);
    EXPECT_EQ(impl->desc, &desc);
    EXPECT_EQ(impl->table(), Probe::classDispatchTable());

    Ref<Object> byProgID = components.create(u"lv8int.cprobe");
    EXPECT_EQ(tagOf(byProgID), 7);
    EXPECT_EQ(byProgID->dispatchTable(), Probe::classDispatchTable());
    Ref<Object> byClsid = components.createByClsid(u"{0a1b2c3d-0000-4000-8000-00000000c0de}");
    EXPECT_EQ(tagOf(byClsid), 7);
    EXPECT_FALSE(byClsid == byProgID) << "each creation makes a new object";
  }
  // Nothing left behind: neither the registration nor the factories.
  EXPECT_EQ(countNamed(u"CProbe"), 0u);
  EXPECT_EQ(errorOf([&] { components.create(u"LV8INT.CProbe"); }), err::CannotCreateObject);
  EXPECT_EQ(errorOf([&] { components.createByClsid(desc.clsid); }), err::CannotCreateObject);
}

TEST(Registration, ClassHandedOutOnlyIsNotCreatableByClients) {
  static const ClassDesc desc = probeDesc(false);
  Registration reg(desc, &Probe::classDispatchTable, factoryOf<Probe>());
  EXPECT_EQ(countNamed(u"CProbe"), 1u);
  EXPECT_FALSE(ComponentRegistry::instance().isRegistered(u"LV8INT.CProbe"));
  EXPECT_EQ(errorOf([] { ComponentRegistry::instance().create(u"LV8INT.CProbe"); }), err::CannotCreateObject);
}

TEST(Registration, SecondRegistrationNeitherTakesOverNorBreaksTheFirst) {
  static const ClassDesc desc = probeDesc(true);
  auto& components = ComponentRegistry::instance();
  Registration first(desc, &Probe::classDispatchTable, [] { return Ref<Object>(make<Probe>(1)); });
  {
    Registration second(desc, &Probe::classDispatchTable, [] { return Ref<Object>(make<Probe>(2)); });
    EXPECT_EQ(countNamed(u"CProbe"), 2u);
    EXPECT_EQ(tagOf(components.create(u"LV8INT.CProbe")), 1);
    Differences d = checkRegistrations();
    bool reported = false;
    for (const String& line : d) reported = reported || line == u"CProbe: registered 2 times";
    EXPECT_TRUE(reported);
  }
  EXPECT_EQ(countNamed(u"CProbe"), 1u);
  EXPECT_EQ(tagOf(components.create(u"LV8INT.CProbe")), 1);
}

TEST(Registration, StaticRegistrationRunsWhenASharedObjectLoadsAndIsUndoneWhenItUnloads) {
  const std::string path = std::string(LV8_BINARY_DIR) + "/plugins/lv8typelibprobe.so";
  ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing: build the target lv8typelibprobe";
  ASSERT_EQ(countNamed(u"CTypelibProbe"), 0u);

  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  std::optional<Implementation> impl = findImplementation(u"CTypelibProbe");
  ASSERT_TRUE(impl);
  EXPECT_EQ(impl->desc, nullptr);
  ASSERT_NE(impl->table, nullptr);
  const DispatchTable* table = impl->table();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->className(), u"CTypelibProbe");
  EXPECT_NE(table->find(u"answer", InvokeKind::PropertyGet), nullptr);
  Differences d = checkImplementation(*impl);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0], u"CTypelibProbe: registered but not in the type description");
  impl.reset();

  ASSERT_EQ(dlclose(handle), 0);
  EXPECT_EQ(countNamed(u"CTypelibProbe"), 0u) << "registration outlived its module";
}

// Every class that registers itself in the library's sources is registered once this process
// has loaded the library: the static registrations of the shared library really run.
TEST(Registration, EveryClassRegisteredInTheSourcesIsRegisteredAtRunTime) {
  namespace fs = std::filesystem;
  const fs::path src = fs::path(LV8_TEST_FIXTURES).parent_path().parent_path() / "src";
  ASSERT_TRUE(fs::is_directory(src)) << src;
  const std::regex reg("^\\s*LV8_REGISTER_CLASS\\(\\s*(\\w+)\\s*,");
  std::set<std::string> inSources;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (entry.path().extension() != ".cpp") continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
      if (std::regex_search(line, m, reg)) inSources.insert(m[1]);
  }
  std::set<std::string> registered;
  for (const Implementation& impl : implementations()) registered.insert(toUtf8(impl.className));
  for (const std::string& name : inSources) EXPECT_TRUE(registered.count(name)) << name << " did not register";
  // And nothing registers that no source names (every registration is one line in a .cpp).
  for (const std::string& name : registered) EXPECT_TRUE(inSources.count(name)) << name;
}

TEST(Registration, RegisteredCreatableClassesCreateObjectsOfTheirOwnTable) {
  for (const Implementation& impl : implementations()) {
    if (!impl.desc || !impl.desc->creatable) continue;
    SCOPED_TRACE(toUtf8(impl.className));
    EXPECT_TRUE(ComponentRegistry::instance().isRegistered(impl.desc->progID()));
    try {
      Ref<Object> obj = ComponentRegistry::instance().create(impl.desc->progID());
      EXPECT_EQ(obj->dispatchTable(), impl.table());
      Ref<Object> again = ComponentRegistry::instance().createByClsid(impl.desc->clsid);
      EXPECT_EQ(again->dispatchTable(), impl.table());
    } catch (const AutomationError& e) {
      // A class may refuse to start without a configuration; it must still be found.
      EXPECT_NE(e.number(), err::CannotCreateObject) << toUtf8(e.description());
    }
  }
}
