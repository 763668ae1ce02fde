#pragma once
// CPeriods: the accounting periods of the current account set, loaded once from the middle tier.
//
// Ownership: a period holds its collection; the collection holds each period's fields and
// only a non-owning pointer to the period object while some client holds it. Item hands out
// that same object while it lives and makes a new one with the same fields once it has ended,
// so the pair has no reference cycle and is freed when the last holder lets go.
#include <vector>

#include "platform/automation/Collection.h"

namespace lv8int {

class CApplication;
class CPeriod;

class CPeriods : public Object {
 public:
  CPeriods();
  ~CPeriods() override;
  int32_t Count() const;
  Ref<CPeriod> Item(Variant& index);  // default member: a key text, or a position
  Ref<Object> NewEnum() const;        // dispatch id -4
  // Library-internal: loads the periods through the application's middle tier.
  void LoadPeriods(const Ref<CApplication>& objApp);

  // Drops the periods: Count becomes 0; periods still held keep their own fields. (Not named
  // release: that would hide Object::release, so that Ref<CPeriods> emptied the list instead
  // of letting go of it.)
  void dropPeriods();

  // Library-internal: the period at `position` ends (see Ownership).
  void periodEnded(int32_t position, const CPeriod* period);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  struct Entry {
    int32_t id = 0;
    double startDate = 0;
    double endDate = 0;
    int32_t status = 0;
    CPeriod* live = nullptr;  // the period object while a holder keeps it
  };
  Ref<CPeriod> periodAt(int32_t position) const;

  // Keyed by the decimal text of each ID; holds the period's position (a Long).
  Ref<Collection> periods_;
  mutable std::vector<Entry> entries_;  // by position - 1; a live pointer is a cache
};

}  // namespace lv8int
