#pragma once
// The thread's application with a title and the test login window registered, for tests of what
// the middle tier answers the user logged in through it.
#include <gtest/gtest.h>

#include "app/CApplication.h"
#include "support/ProvidedComponent.h"
#include "support/TestLoginWindow.h"
#include "support/TitledApp.h"

namespace lv8int::test {

class LoggedInApp {
 public:
  // A login through the window, answered with this name and id; a test failure when it fails.
  void loginAs(const String& name, const String& id) {
    window->info = TestLoginWindow::record(name, id, u"");
    ASSERT_TRUE(app->login());
    ASSERT_EQ(app->CurrentUserID(), id);
  }

  TitledApp titled;
  Ref<CApplication> app = titled.app();
  Ref<TestLoginWindow> window = make<TestLoginWindow>();

 private:
  ProvidedComponent loginComponent_{kTestLoginWindowProgID, window};
};

}  // namespace lv8int::test
