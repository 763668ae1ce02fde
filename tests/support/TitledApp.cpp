#include "support/TitledApp.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "app/HeadlessMainForm.h"
#include "platform/registry/Registry.h"

namespace lv8int::test {

TitledApp::TitledApp() {
  // Registry lookups of the start-up read empty hives of their own.
  registry_ = new Registry(hives_.name("machine.reg"), hives_.name("user.reg"));
  previousRegistry_ = IRegistry::exchangeCurrent(registry_);
  app_ = GZRGNTUtil::sharedApplication();
  HeadlessMainForm::startApplication(*app_, tree_.hostPath());
}

TitledApp::~TitledApp() {
  try {
    app_->Terminate();
  } catch (...) {
  }
  IRegistry::exchangeCurrent(previousRegistry_);
  delete registry_;
}

String TitledApp::title() { return u"测试账务系统"; }

}  // namespace lv8int::test
