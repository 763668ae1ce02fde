#pragma once
// CBaseInfo: the session's keyed scratch list for the host and its components.
#include "platform/automation/Collection.h"

namespace lv8int {

class CBaseInfo : public Object {
 public:
  CBaseInfo();

  Variant Item(const Variant& index);            // default member
  void Add(const Variant& Value, const String& Key);
  void Remove(const Variant& index);             // never raises
  void Clear();
  int32_t Count() const;
  Ref<Object> NewEnum();                         // dispatch id -4

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  Ref<Collection> list_;
};

}  // namespace lv8int
