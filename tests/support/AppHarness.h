#pragma once
// The thread's shared application with everything a host gives it, for tests of start-up,
// login and what needs a logged-in user: a configuration tree, a host main form, the login
// window, the database engine and (optionally) the add-in registered under their ProgIDs, an
// empty in-memory registry and a fixed computer name. The destructor terminates the
// application and puts the current directory back.
#include <memory>

#include "platform/automation/ComponentRegistry.h"
#include "platform/registry/Registry.h"
#include "platform/ServiceScope.h"
#include "support/ConfigTree.h"
#include "support/ProvidedComponent.h"
#include "support/TestAddIn.h"
#include "support/TestHostForm.h"
#include "support/TestLoginWindow.h"

namespace lv8int {
class CApplication;
}

namespace lv8int::test {

inline constexpr char kTestComputerName[] = "LV8TESTPC";

class AppHarness {
 public:
  enum AddInChoice { NoAddIn, WithAddIn };
  explicit AppHarness(AddInChoice addIn = NoAddIn, RootPlacement placement = RootPlacement::HostConfig);
  ~AppHarness();
  AppHarness(const AppHarness&) = delete;
  AppHarness& operator=(const AppHarness&) = delete;

  // app->Init(form, the tree's host program).
  void init();
  // A login through `loginWindow` scripted to succeed with these fields; returns login's result.
  bool loginAs(const String& userName, const String& userID, const String& examFlag = u"");

  Registry registry{String(), String()};  // in memory
  ConfigTree tree;
  Ref<CApplication> app;
  Ref<TestHostForm> form;
  Ref<TestLoginWindow> loginWindow;
  Ref<TestAddIn> addIn;  // registered (and named by the configuration) only WithAddIn

 private:
  ServiceScope<IRegistry> registryScope_{registry};
  std::unique_ptr<ProvidedComponent> loginComponent_;
  std::unique_ptr<ProvidedComponent> addInComponent_;
  std::unique_ptr<ScopedComponent> engineComponent_;
  String previousDirectory_;
};

}  // namespace lv8int::test
