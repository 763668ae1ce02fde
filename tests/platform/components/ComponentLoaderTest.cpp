#include "platform/components/ComponentLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cmath>

#include <cstdlib>
#include <filesystem>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/components/ClassRegistration.h"
#include "typelib/LibraryRegistration.h"
#include "platform/components/PluginLibrary.h"
#include "platform/registry/Registry.h"
#include "support/RaisedError.h"
#include "support/Scopes.h"
#include "support/TempFolder.h"
#include "support/ToolProcess.h"

namespace lv8int {
namespace {

using ::testing::HasSubstr;

const std::string kBin = LV8_BINARY_DIR;
const std::string kPlugin = kBin + "/plugins/sampleplugin.so";
constexpr char16_t kGreeter[] = u"LV8Sample.Greeter";
constexpr char16_t kGreeterClsid[] = u"{5A7E3C1D-2B4F-4E6A-9C8D-0F1E2D3C4B5A}";
constexpr char16_t kGreeterAppID[] = u"{A1B2C3D4-E5F6-4789-ABCD-EF0123456789}";

using test::errorOf;
using test::EnvironmentScope;

TEST(CreateOnServer, ThisComputerCreatesLocallyAnyOtherRaises462) {
  EnvironmentScope name("LV8INT_COMPUTERNAME", "Accounts-PC");
  int made = 0;
  ScopedComponent component(u"Test.OnServer", u"{00000000-0000-0000-0000-0000000000A1}", [&] {
    ++made;
    return Ref<Object>(make<Object>());
  });
  auto& components = ComponentRegistry::instance();
  EXPECT_TRUE(components.createOnServer(u"Test.OnServer", u"ACCOUNTS-pc"));
  EXPECT_TRUE(components.createOnServer(u"Test.OnServer", u""));
  EXPECT_EQ(made, 2);
  EXPECT_EQ(errorOf([&] { components.createOnServer(u"Test.OnServer", u"MIDTIER"); }), err::RemoteServerUnavailable);
  EXPECT_EQ(errorOf([&] { components.createOnServer(u"Test.OnServer", u"Accounts-PC.example.com"); }),
            err::RemoteServerUnavailable);
  EXPECT_EQ(made, 2);  // nothing was made for the other server
  // A ProgID nobody registered is still 429 on this computer.
  EXPECT_EQ(errorOf([&] { components.createOnServer(u"Test.NotThere", u"accounts-pc"); }), err::CannotCreateObject);
}

class PluginInProcess : public ::testing::Test {
 protected:
  Registry registry{{}, {}};
  ServiceScope<IRegistry> scope{registry};
};

TEST_F(PluginInProcess, RegisteredPluginIsLoadedOnceAndMakesObjects) {
  ASSERT_TRUE(std::filesystem::exists(kPlugin)) << "build the sampleplugin target";
  EXPECT_EQ(errorOf([] { ComponentRegistry::instance().create(kGreeter); }), err::CannotCreateObject);
  String error;
  PluginLibrary* lib = PluginLibrary::open(fromUtf8(kPlugin), error);
  ASSERT_NE(lib, nullptr) << toUtf8(error);
  ASSERT_NE(lib->registerServer(), nullptr);
  ASSERT_EQ(lib->registerServer()(kPlugin.c_str()), 0) << toUtf8(components::lastError());
  EXPECT_EQ(components::appIDOfProgID(kGreeter), kGreeterAppID);

  Ref<Object> first = ComponentRegistry::instance().create(u"lv8sample.greeter");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->refCount(), 1);
  EXPECT_EQ(CStr(first->call(u"Greet", {Variant(u"世界")})), u"Hello, 世界");
  int32_t before = CLng(first->get(u"Instances"));
  Ref<Object> second = ComponentRegistry::instance().createByClsid(u"{5a7e3c1d-2b4f-4e6a-9c8d-0f1e2d3c4b5a}");
  ASSERT_TRUE(second);
  EXPECT_FALSE(first == second);
  // The same copy of the plug-in made both: it was loaded once.
  EXPECT_EQ(CLng(second->get(u"Instances")), before + 1);

  // The same file under another name is the same plug-in.
  test::TempFolder dir;
  std::filesystem::create_symlink(kPlugin, dir.file("alias.so"));
  EXPECT_EQ(PluginLibrary::open(dir.name("alias.so"), error), lib);

  ASSERT_EQ(lib->unregisterServer()(kPlugin.c_str()), 0);
  EXPECT_EQ(errorOf([] { ComponentRegistry::instance().create(kGreeter); }), err::CannotCreateObject);
  EXPECT_EQ(components::appIDOfProgID(kGreeter), components::kNullGuid);
}

TEST_F(PluginInProcess, EntryPointsAreThePluginsOwn) {
  String error;
  PluginLibrary* plugin = PluginLibrary::open(fromUtf8(kPlugin), error);
  PluginLibrary* library = PluginLibrary::open(typelib::libraryFile(), error);
  ASSERT_NE(plugin, nullptr);
  ASSERT_NE(library, nullptr);
  // The plug-in links liblv8int, which exports entry points of the same names for its own
  // classes; each library is given its own.
  EXPECT_NE(plugin->createObject(), nullptr);
  EXPECT_NE(library->createObject(), nullptr);
  EXPECT_NE(plugin->createObject(), library->createObject());
  EXPECT_NE(plugin->registerServer(), library->registerServer());
  EXPECT_EQ(library->registerServer(), reinterpret_cast<components::RegisterServerFn>(dlsym(RTLD_DEFAULT, "LV8RegisterServer")));
  // liblv8int's entry point answers from the classes compiled into the process only.
  ScopedComponent local(u"Test.Local", u"{00000000-0000-0000-0000-0000000000C1}", [] { return Ref<Object>(make<Object>()); });
  EXPECT_TRUE(library->create(u"{00000000-0000-0000-0000-0000000000c1}"));
  EXPECT_FALSE(library->create(kGreeterClsid));
  PluginLibrary* bare = PluginLibrary::open(fromUtf8(kBin + "/plugins/noentryplugin.so"), error);
  ASSERT_NE(bare, nullptr) << toUtf8(error);
  EXPECT_EQ(bare->createObject(), nullptr);
  EXPECT_EQ(bare->registerServer(), nullptr);
  EXPECT_EQ(bare->canUnloadNow(), nullptr);
}

TEST_F(PluginInProcess, BrokenRegistrationsRaise429NamingWhatIsWrong) {
  // The class is not registered, or its server file is missing, or is no plug-in, or does not
  // make the class: always 429, with a text that says which and what to do.
  test::TempFolder dir;
  dir.write("notaplugin.so", "plain text");
  components::registerClass({u"Broken.Missing", u"{00000000-0000-0000-0000-0000000000B1}", {}, {}}, u"/nonexistent/x.so");
  components::registerClass({u"Broken.Text", u"{00000000-0000-0000-0000-0000000000B2}", {}, {}}, dir.name("notaplugin.so"));
  components::registerClass({u"Broken.Wrong", u"{00000000-0000-0000-0000-0000000000B3}", {}, {}}, fromUtf8(kPlugin));
  const struct {
    String progID;
    std::vector<String> mentions;
  } cases[] = {
      {u"Nobody.Registered", {u"\"Nobody.Registered\" is not registered", u"lv8-regsvr <plug-in>.so"}},
      {u"Broken.Missing", {u"{00000000-0000-0000-0000-0000000000B1}", u"/nonexistent/x.so"}},
      {u"Broken.Text", {u"cannot be loaded", u"notaplugin.so"}},
      {u"Broken.Wrong", {u"does not make {00000000-0000-0000-0000-0000000000B3}", fromUtf8(kPlugin)}},
  };
  for (const auto& c : cases) {
    try {
      ComponentRegistry::instance().create(c.progID);
      ADD_FAILURE() << toUtf8(c.progID) << " was created";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), err::CannotCreateObject);
      EXPECT_TRUE(e.description().starts_with(u"ActiveX component can't create object: "));
      for (const String& m : c.mentions) EXPECT_NE(e.description().find(m), String::npos) << toUtf8(e.description());
    }
  }
  String error;
  EXPECT_EQ(PluginLibrary::open(dir.name("notaplugin.so"), error), nullptr);
  EXPECT_NE(error.find(u"notaplugin.so"), String::npos);
}

TEST_F(PluginInProcess, AClassRegisteredInProcessComesFirst) {
  components::registerClass({kGreeter, kGreeterClsid, {}, {}}, fromUtf8(kPlugin));
  ScopedComponent local(kGreeter, {}, [] { return Ref<Object>(make<Object>()); });
  Ref<Object> obj = ComponentRegistry::instance().create(kGreeter);
  EXPECT_EQ(obj->dispatchTable(), nullptr);  // the plain in-process object, not the plug-in's
}

// --- a fresh process ---

class PluginInChildProcess : public ::testing::Test {
 protected:
  test::TempFolder dir;

  test::ToolRun run(const std::string& program, const QStringList& args) {
    return test::runTool(program, args,
                         {{"LV8INT_REGISTRY", QString::fromStdString(dir.file("etc/registry.reg"))},
                          {"XDG_CONFIG_HOME", QString::fromStdString(dir.file("config"))}});
  }
};

TEST_F(PluginInChildProcess, RegisterCreateUnregister) {
  QString plugin = QString::fromStdString(kPlugin);
  test::ToolRun reg = run("tools/lv8-regsvr", {plugin});
  ASSERT_EQ(reg.exitCode, 0) << reg.err;
  EXPECT_THAT(reg.out, HasSubstr("succeeded"));

  // The registration is in the hive file where the child was told to keep it.
  {
    Registry hive(dir.name("etc/registry.reg"), {});
    ServiceScope<IRegistry> scope(hive);
    EXPECT_EQ(components::inprocServer(kGreeterClsid), fromUtf8(kPlugin));
    EXPECT_EQ(components::appIDOfProgID(kGreeter), kGreeterAppID);
  }

  test::ToolRun greet = run("tools/lv8", {"reg", "create", "LV8Sample.Greeter", "Greet", "世界"});
  ASSERT_EQ(greet.exitCode, 0) << greet.err;
  EXPECT_EQ(greet.out, "Hello, 世界\n");
  test::ToolRun pid = run("tools/lv8", {"reg", "create", "LV8Sample.Greeter", "ProcessID"});
  ASSERT_EQ(pid.exitCode, 0) << pid.err;
  EXPECT_NE(std::atoi(pid.out.c_str()), static_cast<int>(getpid()));
  EXPECT_GT(std::atoi(pid.out.c_str()), 0);
  test::ToolRun appid = run("tools/lv8", {"reg", "appid", "lv8sample.GREETER"});
  EXPECT_EQ(appid.out, toUtf8(kGreeterAppID) + "\n");

  test::ToolRun unreg = run("tools/lv8-regsvr", {"-u", "-s", plugin});
  ASSERT_EQ(unreg.exitCode, 0) << unreg.err;
  EXPECT_TRUE(unreg.out.empty());
  test::ToolRun gone = run("tools/lv8", {"reg", "create", "LV8Sample.Greeter"});
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_THAT(gone.err, HasSubstr("429"));
  test::ToolRun noAppID = run("tools/lv8", {"reg", "appid", "LV8Sample.Greeter"});
  EXPECT_EQ(noAppID.out, toUtf8(components::kNullGuid) + "\n");
}

TEST_F(PluginInChildProcess, RegistrationToolReportsWhatWentWrong) {
  test::ToolRun missing = run("tools/lv8-regsvr", {QString::fromStdString(dir.file("nothing.so"))});
  EXPECT_EQ(missing.exitCode, 3);
  dir.write("text.so", "not a library");
  EXPECT_EQ(run("tools/lv8-regsvr", {QString::fromStdString(dir.file("text.so"))}).exitCode, 3);
  // A library without the entry point.
  Dl_info math{};
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &math));
  test::ToolRun noEntry = run("tools/lv8-regsvr", {QString::fromUtf8(math.dli_fname)});
  EXPECT_EQ(noEntry.exitCode, 4) << noEntry.err;
  EXPECT_THAT(noEntry.err, HasSubstr("LV8RegisterServer"));
  // A library that links liblv8int but has no entry point of its own: liblv8int's must not
  // be taken for it (that would register the library's classes under this file).
  test::ToolRun borrowed = run("tools/lv8-regsvr", {QString::fromStdString(kBin + "/plugins/noentryplugin.so")});
  EXPECT_EQ(borrowed.exitCode, 4) << borrowed.err;
  EXPECT_EQ(run("tools/lv8-regsvr", {}).exitCode, 1);
  EXPECT_EQ(run("tools/lv8-regsvr", {"-x", "a.so"}).exitCode, 1);
  EXPECT_FALSE(dir.exists("etc/registry.reg"));
}

}  // namespace
}  // namespace lv8int
