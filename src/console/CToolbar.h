#pragma once
// CToolbar: the same toolbar behaviour for every window of the host: the user's view options
// (text on buttons, large icons) offered in the toolbar's customize band and remembered per
// user, the toolbar's placement above the content, and Ctrl-key shortcuts from SCDefine.xml.
#include "platform/automation/Dispatch.h"

namespace lv8int {

class CToolbar : public Object {
 public:
  CToolbar();
  ~CToolbar() override;

  void putref_objAB2(const Ref<Object>& objAB);
  void SetAB2(const Ref<Object>& objAB, const String& strForm);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
