#include "typelib/Conformance.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/automation/ComponentRegistry.h"
#include "typelib/SelfCheck.h"

using namespace lv8int;
using namespace lv8int::typelib;

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string joined(const Differences& diffs) {
  std::string out;
  for (const String& d : diffs) out += toUtf8(d) + "\n";
  return out;
}

bool mentions(const Differences& diffs, const std::string& text) {
  return joined(diffs).find(text) != std::string::npos;
}

class Fake : public Object {
 public:
  Variant Item(const Variant&) { return {}; }
  String Name() const { return {}; }
  void put_Name(String) {}
  int32_t Run(String, const Variant&) { return 0; }
  Ref<Object> NewEnum() { return {}; }
  void Load() {}
};

ClassDesc fakeDesc() {
  ClassDesc c;
  c.name = u"CFake";
  c.clsid = u"{11111111-2222-3333-4444-555555555555}";
  c.defaultInterface.name = u"_CFake";
  auto& m = c.defaultInterface.members;
  m.push_back({u"Item", InvokeKind::PropertyGet, DISPID_VALUE, {{u"index", u"Variant", false, false, {}}}, u"Variant", false});
  m.push_back({u"Name", InvokeKind::PropertyGet, DISPID_UNKNOWN, {}, u"String", false});
  m.push_back({u"Name", InvokeKind::PropertyPut, DISPID_UNKNOWN, {{u"Value", u"String", false, false, {}}}, {}, false});
  m.push_back({u"Run",
               InvokeKind::Method,
               DISPID_UNKNOWN,
               {{u"s", u"String", false, false, {}}, {u"v", u"Variant", false, true, {}}},
               u"Long",
               false});
  m.push_back({u"NewEnum", InvokeKind::PropertyGet, DISPID_NEWENUM, {}, u"IUnknown", false});
  m.push_back({u"Load", InvokeKind::Method, DISPID_UNKNOWN, {}, {}, true});
  return c;
}

// The table that agrees with fakeDesc(); each test spoils one thing.
struct Spec {
  String className = u"CFake";
  bool itemDefault = true;
  bool nameTakesDefault = false;
  bool enumId = true;
  bool swapItemAndName = false;
  bool runFirst = false;
  bool withRun = true;
  bool runAsGet = false;
  String runName = u"Run";
  int runRequired = 1;
  bool withPut = true;
  bool loadHidden = true;
  bool extra = false;
};

DispatchTable table(const Spec& s) {
  DispatchBuilder<Fake> b(s.className);
  auto run = [&] {
    if (!s.withRun) return;
    if (s.runAsGet) b.get(s.runName, &Fake::Run, {.required = s.runRequired});
    else b.method(s.runName, &Fake::Run, {.required = s.runRequired});
  };
  auto item = [&] { b.get(u"Item", &Fake::Item, {.id = s.itemDefault ? DISPID_VALUE : DISPID_UNKNOWN}); };
  auto name = [&] { b.get(u"Name", &Fake::Name, {.id = s.nameTakesDefault ? DISPID_VALUE : DISPID_UNKNOWN}); };
  if (s.runFirst) run();
  if (s.swapItemAndName) {
    name();
    item();
  } else {
    item();
    name();
  }
  if (s.withPut) b.put(u"Name", &Fake::put_Name);
  if (!s.runFirst) run();
  b.get(u"NewEnum", &Fake::NewEnum, {.id = s.enumId ? DISPID_NEWENUM : DISPID_UNKNOWN});
  b.method(u"Load", &Fake::Load, {.hidden = s.loadHidden});
  if (s.extra) b.method(u"Extra", &Fake::Load);
  return b.build();
}

Differences compare(const Spec& s) { return compareMembers(fakeDesc(), table(s)); }

}  // namespace

TEST(Conformance, AgreeingTableHasNoDifferences) {
  Differences d = compare(Spec{});
  EXPECT_TRUE(d.empty()) << joined(d);
  EXPECT_TRUE(unansweredMembers(fakeDesc(), table(Spec{})).empty());
}

// One thing spoiled at a time: exactly one difference, saying what and where.
TEST(Conformance, EachDifferenceIsReportedOnceWithItsPlace) {
  const struct {
    Spec spec;
    const char* says;
  } cases[] = {
      {{.withRun = false}, "CFake.Run (Method): missing (slot 4)"},
      // The get of a property is there but not its put: the put slot is missing.
      {{.withPut = false}, "CFake.Name (PropertyPut): missing"},
      {{.extra = true}, "CFake.Extra (Method): not described (table slot 7)"},
      // Two neighbours swapped: one member is out of place.
      {{.swapItemAndName = true}, "out of slot order"},
      // One member moved to the front is reported once, not as every member after it.
      {{.runFirst = true}, "CFake.Run (Method): out of slot order (table slot 1, described slot 4)"},
      {{.runAsGet = true}, "CFake.Run (Method): implemented as PropertyGet"},
      {{.runName = u"run"}, "CFake.Run (Method): named run in the member table"},
      {{.runRequired = 2}, "takes 2 arguments (2 required), described 2 (1 required)"},
      {{.loadHidden = false}, "CFake.Load (Method): described as library-internal"},
      {{.className = u"CFak"}, "the member table is named CFak"},
      // The default member and the enumerator keep their fixed ids.
      {{.itemDefault = false}, "CFake.Item (PropertyGet): dispatch id"},
      {{.itemDefault = false}, "described 0"},
      {{.enumId = false}, "CFake.NewEnum (PropertyGet): dispatch id"},
      {{.enumId = false}, "described -4"},
  };
  for (const auto& c : cases) {
    const Differences d = compare(c.spec);
    ASSERT_EQ(d.size(), 1u) << c.says << "\n" << joined(d);
    EXPECT_TRUE(mentions(d, c.says)) << joined(d);
  }
  EXPECT_TRUE(mentions(unansweredMembers(fakeDesc(), table(Spec{.withRun = false})), "CFake.Run (Method)"));
  // A method and a property get answer each other by name, so late binding still works.
  EXPECT_TRUE(unansweredMembers(fakeDesc(), table(Spec{.runAsGet = true})).empty());

  // The default id went to another member: both ends are reported.
  const Differences d = compare(Spec{.itemDefault = false, .nameTakesDefault = true});
  EXPECT_TRUE(mentions(d, "CFake.Item (PropertyGet): dispatch id")) << joined(d);
  EXPECT_TRUE(mentions(d, "CFake.Name (PropertyGet): takes the reserved dispatch id 0")) << joined(d);
}

TEST(Conformance, RegistrationRules) {
  static const ClassDesc desc = fakeDesc();
  static const DispatchTable good = table(Spec{});
  Implementation impl;
  impl.className = desc.name;
  impl.table = [] { return &good; };
  impl.desc = &desc;
  EXPECT_TRUE(checkImplementation(impl).empty()) << joined(checkImplementation(impl));

  impl.factory = factoryOf<Fake>();
  EXPECT_TRUE(mentions(checkImplementation(impl), "handed out by the library only, but registered with a factory"));

  ClassDesc creatable = desc;
  creatable.creatable = true;
  impl.desc = &creatable;
  impl.factory = nullptr;
  EXPECT_TRUE(mentions(checkImplementation(impl), "creatable, but registered without a factory"));

  impl.desc = nullptr;
  EXPECT_TRUE(mentions(checkImplementation(impl), "CFake: registered but not in the type description"));

  impl.desc = &desc;
  impl.table = [] { return static_cast<const DispatchTable*>(nullptr); };
  EXPECT_TRUE(mentions(checkImplementation(impl), "registered without a member table"));
}

// Every class of the library registered in this process agrees with its description. Stays
// in force as classes are added.
TEST(Conformance, EveryRegisteredImplementationMatchesItsDescription) {
  for (const Implementation& impl : implementations()) {
    SCOPED_TRACE(toUtf8(impl.className));
    ASSERT_NE(impl.desc, nullptr) << "registered but not described";
    EXPECT_EQ(impl.desc, findClass(impl.className)) << "registered with a description of its own";
  }
  Differences d = checkRegistrations();
  EXPECT_TRUE(d.empty()) << joined(d);
  SelfCheckReport r = selfCheck();
  EXPECT_EQ(r.failures, 0);
  EXPECT_EQ(r.described, 16);
}

namespace {

class Other : public Object {
 public:
  void Nothing() {}
  static const DispatchTable* classDispatchTable() {
    static const DispatchTable t = DispatchBuilder<Other>(u"Other").method(u"Nothing", &Other::Nothing).build();
    return &t;
  }
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

// CSelfA, CSelfB ... by N.
template <int N>
class Good : public Fake {
 public:
  static const DispatchTable* classDispatchTable() {
    static const DispatchTable t = table(Spec{.className = u"CSelf" + String(1, static_cast<char16_t>(u'A' + N))});
    return &t;
  }
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

TypeLibraryDesc fakeLibrary() {
  TypeLibraryDesc lib;
  lib.name = u"FAKE";
  lib.libid = u"{00000000-1111-2222-3333-444444444444}";
  lib.majorVersion = 1;
  const char16_t* names[] = {u"CSelfA", u"CSelfB", u"CSelfC", u"CSelfD", u"CSelfE"};
  int n = 0;
  for (const char16_t* name : names) {
    ClassDesc c = fakeDesc();
    c.name = name;
    c.clsid = u"{ABCDEF00-0000-0000-0000-00000000000" + toString(++n) + u"}";
    c.defaultInterface.name = u"_" + c.name;
    c.creatable = c.name != u"CSelfB";
    lib.classes.push_back(c);
  }
  return lib;
}

std::string lines(const SelfCheckReport& r) {
  std::string out;
  for (const std::string& l : r.lines) out += l + "\n";
  return out;
}

}  // namespace

TEST(SelfCheck, ReportsWhatIsImplementedAndEveryFailure) {
  static const TypeLibraryDesc lib = fakeLibrary();
  const ClassDesc& a = lib.classes[0];  // creatable, agrees, creates
  const ClassDesc& b = lib.classes[1];  // handed out only, a member missing
  const ClassDesc& c = lib.classes[2];  // creatable, its factory makes another class
  const ClassDesc& d = lib.classes[3];  // creatable, its start-up fails here
  // CSelfE: not implemented.

  Registration regA(a, &Good<0>::classDispatchTable, factoryOf<Good<0>>());
  Registration regC(c, &Good<2>::classDispatchTable, factoryOf<Other>());
  Registration regD(d, &Good<3>::classDispatchTable, []() -> Ref<Object> { raiseError(err::ObjectNotSet); });
  static const DispatchTable partial = table(Spec{.className = u"CSelfB", .withRun = false});
  Implementation implB;
  implB.className = b.name;
  implB.table = [] { return &partial; };
  implB.desc = &b;

  std::vector<Implementation> impls;
  for (const char16_t* name : {u"CSelfA", u"CSelfC", u"CSelfD"}) impls.push_back(*findImplementation(name));
  impls.push_back(implB);

  SelfCheckReport r = selfCheck(lib, impls);
  std::string text = lines(r);
  EXPECT_EQ(r.described, 5) << text;
  EXPECT_EQ(r.implemented, 4) << text;
  EXPECT_THAT(text, HasSubstr("library FAKE version 1.0 {00000000-1111-2222-3333-444444444444}"));
  EXPECT_THAT(text, HasSubstr("CSelfA         ok, 6 members, creatable as LV8INT.CSelfA"));
  EXPECT_THAT(text, HasSubstr("CSelfE         not implemented"));
  EXPECT_THAT(text, HasSubstr("FAIL CSelfB.Run (Method): not answered by name"));
  EXPECT_NE(text.find("FAIL CSelfC: creating it as LV8INT.CSelfC gives an object with another member table"),
            std::string::npos)
      << text;
  // A class whose own start-up fails in this environment is reachable: a note, not a failure.
  EXPECT_THAT(text, HasSubstr("note: CSelfD: creating it as LV8INT.CSelfD raised 91"));
  EXPECT_EQ(r.warnings, 2) << text;  // by ProgID and by class identifier
  EXPECT_THAT(text, Not(HasSubstr("FAIL CSelfD")));
  EXPECT_EQ(r.failures, 4) << text;  // B: unanswered and missing; C: two creations
  EXPECT_THAT(text, Not(HasSubstr("FAIL CSelfA")));
  EXPECT_THAT(text, HasSubstr("selfcheck failed"));
}

TEST(SelfCheck, CreatableClassWithoutComponentRegistrationFails) {
  static const TypeLibraryDesc lib = fakeLibrary();
  Implementation impl;
  impl.className = lib.classes[0].name;
  impl.table = &Good<0>::classDispatchTable;
  impl.factory = factoryOf<Good<0>>();  // known here, but never reached the component registry
  impl.desc = &lib.classes[0];
  SelfCheckReport r = selfCheck(lib, {impl});
  std::string text = lines(r);
  EXPECT_EQ(r.failures, 1) << text;
  EXPECT_THAT(text, HasSubstr("FAIL CSelfA: nothing is registered under LV8INT.CSelfA"));
}

TEST(SelfCheck, ForeignAndDuplicateRegistrationsFail) {
  static const TypeLibraryDesc lib = fakeLibrary();
  static const ClassDesc stranger = [] {
    ClassDesc c = fakeDesc();
    c.name = u"CSelfB";  // a described name, but another description
    return c;
  }();
  Implementation foreign;
  foreign.className = stranger.name;
  foreign.table = &Good<1>::classDispatchTable;
  foreign.desc = &stranger;
  Implementation twiceA;
  twiceA.className = u"CSelfE";
  twiceA.table = &Good<4>::classDispatchTable;
  twiceA.desc = &lib.classes[4];
  twiceA.factory = factoryOf<Good<4>>();
  SelfCheckReport r = selfCheck(lib, {foreign, twiceA, twiceA});
  std::string text = lines(r);
  EXPECT_THAT(text, HasSubstr("FAIL CSelfB: registered but not in the type description"));
  EXPECT_THAT(text, HasSubstr("FAIL CSelfE: registered 2 times"));
}

TEST(SelfCheck, LibraryReportNamesTheLibrary) {
  SelfCheckReport r = selfCheck();
  ASSERT_GE(r.lines.size(), 18u);
  EXPECT_EQ(r.lines[0], "library LV8INT version 2.2 {E9EA5017-F7BC-41A5-B05C-2F27AC6ABCE4}");
  EXPECT_EQ(r.lines[1].rfind("classes: 16 described, ", 0), 0u) << r.lines[1];
  EXPECT_EQ(r.implemented, static_cast<int>([] {
              int n = 0;
              for (const ClassDesc& c : typeLibrary().classes) n += findImplementation(c.name) ? 1 : 0;
              return n;
            }()));
}
