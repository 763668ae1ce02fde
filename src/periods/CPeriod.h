#pragma once
// CPeriod: one accounting period; ID encodes year x 100 + number.
#include <cstdint>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class CPeriods;

class CPeriod : public Object {
 public:
  CPeriod() = default;
  ~CPeriod() override;

  int32_t Status() const { return status_; }
  int32_t ID() const { return id_; }
  Ref<CPeriod> NextPeriod() const;
  int32_t Number() const;
  Ref<CPeriod> PreviousPeriod() const;
  int32_t Year() const;
  Variant StartDate() const { return Variant::date(startDate_); }
  Variant EndDate() const { return Variant::date(endDate_); }
  // Library-internal: set once by the loader.
  void InitPeriod(int32_t lngID, double dtStartDate, double dtEndDate, int32_t lngStatus,
                  const Ref<CPeriods>& objParent, int32_t lngPosition);

  int32_t position() const { return position_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  int32_t id_ = 0;
  double startDate_ = 0;
  double endDate_ = 0;
  int32_t status_ = 0;
  int32_t position_ = 0;
  // Keeps the collection (and so the neighbours) alive while the period is used; the
  // collection holds no reference back (see CPeriods).
  Ref<CPeriods> parent_;
};

}  // namespace lv8int
