#include "app/HeadlessMainForm.h"

#include "app/CApplication.h"

namespace lv8int {

void HeadlessMainForm::startApplication(CApplication& app, const String& hostPath, const Ref<HeadlessMainForm>& form) {
  app.Init(Ref<Object>(form), hostPath);
}

const DispatchTable* HeadlessMainForm::classDispatchTable() {
  using C = HeadlessMainForm;
  static const DispatchTable table = DispatchBuilder<C>(u"HeadlessMainForm")
                                         .get(u"Menu", &C::Menu)
                                         .get(u"Caption", &C::Caption)
                                         .put(u"Caption", &C::putCaption)
                                         .method(u"SetConsole", &C::SetConsole)
                                         .build();
  return &table;
}

}  // namespace lv8int
