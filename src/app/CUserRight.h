#pragma once
// CUserRight: whether the logged-in user holds a right code (hierarchical prefix rule).
#include <vector>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class CUserRight : public Object {
 public:
  bool HasRight(const String& strRightCode);
  // Fills the codes from the middle tier once (library-internal, follows HasRight in slot order).
  void LoadRights();

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  std::vector<String> codes_;
};

}  // namespace lv8int
