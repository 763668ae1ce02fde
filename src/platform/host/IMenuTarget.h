#pragma once
// A child form that runs menu commands for shortcuts. One operation; its result is not used.
#include "platform/automation/Object.h"

namespace lv8int {

class IMenuTarget : public virtual Object {
 public:
  virtual void ExecuteMenu(const String& MenuName) = 0;
};

}  // namespace lv8int
