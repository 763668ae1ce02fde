#include "app/CWarning.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/recordset/RecordsetAccess.h"
#include "resources/frmErrBox.h"
#include "typelib/Registration.h"

namespace lv8int {

void CWarning::DispWarningIfExist() {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  Ref<Object> rs;
  {
    Ref<Object> component = app->CreateMidObject(u"ZRMSysBase.SysWarning");
    if (!component) raiseError(err::ObjectNotSet);
    rs = recordsets::fromAnswer(component->call(u"GetLog", {Variant(app->DSN()), Variant(app->CurrentUserID())}));
  }
  if (recordsets::isEmpty(*rs)) return;
  // One modal box per warning, in the middle tier's order; a failure stops the list there.
  while (!recordsets::atEOF(*rs)) {
    const int32_t number = CLng(recordsets::fieldValue(*rs, Variant(u"WarningID")));
    const String source = CStr(recordsets::fieldValue(*rs, Variant(u"Source")));
    const String content = CStr(recordsets::fieldValue(*rs, Variant(u"Content")));
    frmErrBox::shared().Action(number, source, content, Variant(int32_t{0}), Variant::missing(), Variant::missing(),
                               Variant::missing());
    recordsets::moveNext(*rs);
  }
}

const DispatchTable* CWarning::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CWarning>(u"CWarning")
                                         .method(u"DispWarningIfExist", &CWarning::DispWarningIfExist)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CWarning, nullptr);

}  // namespace lv8int
