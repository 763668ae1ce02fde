#include "support/TitledApp.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/automation/Dispatch.h"
#include "platform/host/IMDIForm.h"
#include "platform/registry/Registry.h"

namespace lv8int::test {

namespace {

// A main form that takes its caption and the console and shows nothing.
class QuietMainForm : public IMDIForm {
 public:
  void Show() override {}
  void Hide() override {}
  int32_t hwnd() override { return 0; }
  void putCaption(const String& caption) { caption_ = caption; }
  String Caption() const { return caption_; }
  void SetConsole(const Ref<Object>&) {}

  static const DispatchTable* table() {
    static const DispatchTable t = DispatchBuilder<QuietMainForm>(u"QuietMainForm")
                                       .get(u"Caption", &QuietMainForm::Caption)
                                       .put(u"Caption", &QuietMainForm::putCaption)
                                       .method(u"SetConsole", &QuietMainForm::SetConsole)
                                       .build();
    return &t;
  }
  const DispatchTable* dispatchTable() const override { return table(); }

 private:
  String caption_;
};

}  // namespace

TitledApp::TitledApp() {
  // Registry lookups of the start-up read empty hives of their own.
  registry_ = new Registry(hives_.name("machine.reg"), hives_.name("user.reg"));
  previousRegistry_ = IRegistry::exchangeCurrent(registry_);
  app_ = GZRGNTUtil::sharedApplication();
  app_->Init(Ref<Object>(make<QuietMainForm>()), tree_.hostPath());
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
