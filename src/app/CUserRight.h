#pragma once
// CUserRight: whether the logged-in user holds a right code (hierarchical prefix rule).
#include <vector>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class CUserRight : public Object {
 public:
  // Loads the current user's codes first when they are not loaded for that user.
  bool HasRight(const String& strRightCode);
  // Fills the codes from the middle tier once (library-internal, follows HasRight in slot order).
  // Codes loaded for another user than the one now logged in are dropped and loaded again.
  void LoadRights();

  // The codes held, in the middle tier's order (empty: not loaded).
  const std::vector<String>& codes() const { return codes_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  std::vector<String> codes_;
  String loadedFor_;  // CurrentUserID at the time the codes were loaded
};

}  // namespace lv8int
