#include "resources/GFrontEnd.h"

#include "resources/frmErrBox.h"
#include "typelib/Registration.h"

namespace lv8int {

int32_t GFrontEnd::ERB(int32_t ErrNum, const String& ErrSrc, const String& ErrDes, const Variant& Buttons,
                       const Variant& Title, Variant& HelpFile, Variant& Context) {
  const Variant buttons = Buttons.isMissing() ? Variant(int32_t{16}) : Buttons;
  return frmErrBox::shared().Action(ErrNum, ErrSrc, ErrDes, buttons, Title, HelpFile, Context);
}

Variant& GFrontEnd::missingArg() {
  // The variable an omitted by-reference argument binds to; Missing again on every use.
  thread_local Variant slot;
  slot = Variant::missing();
  return slot;
}

const DispatchTable* GFrontEnd::classDispatchTable() {
  static const DispatchTable table =
      DispatchBuilder<GFrontEnd>(u"GFrontEnd").method(u"ERB", &GFrontEnd::ERB, {.required = 3}).build();
  return &table;
}

LV8_REGISTER_CLASS(GFrontEnd, typelib::factoryOf<GFrontEnd>());

}  // namespace lv8int
