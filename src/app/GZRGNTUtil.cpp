#include "app/GZRGNTUtil.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "app/CApplication.h"
#include "platform/ui/IMessageBox.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

// What each thread keeps: its shared application object and its instance of the global class.
struct ThreadObjects {
  Ref<CApplication> application;
  Ref<GZRGNTUtil> global;

  ~ThreadObjects() {
    // Shut the application down while it is still the thread's shared object, so that what
    // Terminate reaches (stores, console) finds this same object rather than making a new one.
    if (application) {
      try {
        application->Terminate();
      } catch (const std::exception& e) {
        std::fprintf(stderr, "LV8INT: shutting the application down at thread exit failed: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "LV8INT: shutting the application down at thread exit failed\n");
      }
    }
    global = nullptr;
    application = nullptr;
  }
};

ThreadObjects& threadObjects() {
  thread_local ThreadObjects objects;
  return objects;
}

}  // namespace

GZRGNTUtil::GZRGNTUtil() { sharedApplication(); }

Ref<CApplication> GZRGNTUtil::Application() { return sharedApplication(); }

int32_t GZRGNTUtil::MGB(const String& sText, const Variant& Buttons, const Variant& Title, const Variant& HelpFile,
                        const Variant& Context) {
  // The message-box service has no help button; HelpFile and Context are accepted and unused.
  (void)HelpFile;
  (void)Context;
  const int32_t style = Buttons.isMissing() ? 0 : CLng(Buttons);
  const String caption = Title.isMissing() ? sharedApplication()->Title() : CStr(Title);
  return IMessageBox::current().show(sText, style, caption);
}

void GZRGNTUtil::DebugOutputDic(const String& sText) { (void)sText; }

Ref<CApplication> GZRGNTUtil::sharedApplication() {
  ThreadObjects& objects = threadObjects();
  if (!objects.application) objects.application = make<CApplication>();
  return objects.application;
}

Ref<GZRGNTUtil> GZRGNTUtil::global() {
  ThreadObjects& objects = threadObjects();
  if (!objects.global) objects.global = make<GZRGNTUtil>();
  return objects.global;
}

const DispatchTable* GZRGNTUtil::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<GZRGNTUtil>(u"GZRGNTUtil")
                                         .get(u"Application", &GZRGNTUtil::Application)
                                         .method(u"MGB", &GZRGNTUtil::MGB, {.required = 1})
                                         .method(u"DebugOutputDic", &GZRGNTUtil::DebugOutputDic)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(GZRGNTUtil, typelib::factoryOf<GZRGNTUtil>());

}  // namespace lv8int
