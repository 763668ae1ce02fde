#pragma once
// The suite's database-engine component. The library creates it and hands it out; it calls
// none of its members.
#include "platform/automation/Object.h"

namespace lv8int {

class CDatabaseEngine : public virtual Object {};

}  // namespace lv8int
