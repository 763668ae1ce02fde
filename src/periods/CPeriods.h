#pragma once
// CPeriods: the accounting periods of the current account set, loaded once from the middle tier.
#include "platform/automation/Collection.h"

namespace lv8int {

class CApplication;
class CPeriod;

class CPeriods : public Object {
 public:
  CPeriods();
  int32_t Count() const;
  Ref<CPeriod> Item(Variant& index);  // default member: a key text, or a position
  Ref<Object> NewEnum() const;        // dispatch id -4
  // Library-internal: loads the periods through the application's middle tier.
  void LoadPeriods(const Ref<CApplication>& objApp);

  // Drops the periods (and with them their references back to this collection).
  void release();

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  Ref<Collection> periods_;
};

}  // namespace lv8int
