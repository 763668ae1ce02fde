#include "console/modClassSecurity.h"

#include <cstdio>
#include <cstdlib>

#include "platform/automation/ComponentRegistry.h"
#include "platform/ui/IMessageBox.h"
#include "platform/ui/MessageBoxStyle.h"

namespace lv8int::modClassSecurity {

Ref<Object> CreateComponent(const String& ProgID) {
  Ref<Object> object;
  try {
    object = ComponentRegistry::instance().create(ProgID);
  } catch (...) {
    // Any failure of the creation counts as no object.
  }
  if (object) return object;
  try {
    IMessageBox::current().show(u"对象<" + ProgID + u">不能创建，即将退出应用程序。",
                                msgbox::MB_OK | msgbox::MB_ICONCRITICAL);
  } catch (...) {
    // The process ends either way.
  }
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace lv8int::modClassSecurity
