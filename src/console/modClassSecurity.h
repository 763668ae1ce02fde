#pragma once
// Creating the pluggable pieces named in the configuration.
#include "platform/automation/Object.h"

namespace lv8int::modClassSecurity {

// A new object of the class registered under `ProgID`, created locally. When it cannot be
// created, shows "对象<ProgID>不能创建，即将退出应用程序。" with the critical icon and ends the
// process with exit code 1.
Ref<Object> CreateComponent(const String& ProgID);

}  // namespace lv8int::modClassSecurity
