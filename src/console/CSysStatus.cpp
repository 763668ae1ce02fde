#include "console/CSysStatus.h"

#include "typelib/Registration.h"

namespace lv8int {

// The system keeps no status that could forbid an entry.
bool CSysStatus::CheckSysStatus(const String& /*strEntry*/) { return true; }

const DispatchTable* CSysStatus::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CSysStatus>(u"CSysStatus")
                                         .method(u"GetSysStatus", &CSysStatus::GetSysStatus)
                                         .method(u"CheckSysStatus", &CSysStatus::CheckSysStatus)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CSysStatus, typelib::factoryOf<CSysStatus>());

}  // namespace lv8int
