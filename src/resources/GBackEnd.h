#pragma once
// GBackEnd: composing inner strings from sectors, and the suite's own error-number range.
#include <cstdint>

#include "platform/automation/Dispatch.h"

namespace lv8int {

enum EnumInnerStringType : int32_t { eistpNormal = 0, eistpResource = 1, eistpFormat = 2 };

class GBackEnd : public Object {
 public:
  String IStr(const String& Content, int32_t IStrType = eistpNormal);
  String IStrJoin(Variant& SectorArray);
  String IStrQuick(Variant& Arg);
  bool IsOurErrNum(int32_t ErrNum);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
