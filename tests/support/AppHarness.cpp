#include "support/AppHarness.h"

#include <cstdlib>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/files/Files.h"
#include "support/TestDatabaseEngine.h"
#include "typelib/Registration.h"

namespace lv8int::test {

AppHarness::AppHarness(AddInChoice addInChoice, RootPlacement placement)
    : tree(placement),
      app(GZRGNTUtil::sharedApplication()),
      form(make<TestHostForm>()),
      loginWindow(make<TestLoginWindow>()),
      addIn(make<TestAddIn>()),
      previousDirectory_(files::currentDirectory()) {
  ::setenv("LV8INT_COMPUTERNAME", kTestComputerName, 1);
  loginComponent_ = std::make_unique<ProvidedComponent>(kTestLoginWindowProgID, loginWindow);
  engineComponent_ =
      std::make_unique<ScopedComponent>(kDatabaseEngineProgID, StringView(), typelib::factoryOf<TestDatabaseEngine>());
  if (addInChoice == WithAddIn) {
    tree.setProperty("ApplicationAddIn", toUtf8(kTestAddInProgID));
    addInComponent_ = std::make_unique<ProvidedComponent>(kTestAddInProgID, addIn);
  }
}

AppHarness::~AppHarness() {
  try {
    app->Terminate();
  } catch (...) {
  }
  if (form) form->dropConsole();
  files::setCurrentDirectory(previousDirectory_);
}

void AppHarness::init() { app->Init(form, tree.hostPath()); }

bool AppHarness::loginAs(const String& userName, const String& userID, const String& examFlag) {
  loginWindow->loginSucceeds = true;
  loginWindow->info = TestLoginWindow::record(userName, userID, examFlag);
  return app->login();
}

}  // namespace lv8int::test
