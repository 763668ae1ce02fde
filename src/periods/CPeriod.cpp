#include "periods/CPeriod.h"

#include "periods/CPeriods.h"
#include "typelib/Registration.h"

namespace lv8int {

CPeriod::~CPeriod() {
  if (parent_) parent_->periodEnded(position_, this);
}

void CPeriod::InitPeriod(int32_t lngID, double dtStartDate, double dtEndDate, int32_t lngStatus,
                         const Ref<CPeriods>& objParent, int32_t lngPosition) {
  // A period moved to another place must not stay cached at the old one.
  if (parent_) parent_->periodEnded(position_, this);
  id_ = lngID;
  startDate_ = dtStartDate;
  endDate_ = dtEndDate;
  status_ = lngStatus;
  parent_ = objParent;
  position_ = lngPosition;
}

Ref<CPeriod> CPeriod::NextPeriod() const {
  if (!parent_) raiseError(err::ObjectNotSet);
  if (position_ > parent_->Count() - 1) return nullptr;
  Variant next(position_ + 1);
  return parent_->Item(next);
}

Ref<CPeriod> CPeriod::PreviousPeriod() const {
  if (!parent_) raiseError(err::ObjectNotSet);
  if (position_ <= 1) return nullptr;
  Variant previous(position_ - 1);
  return parent_->Item(previous);
}

// ID / 100 rounded half to even, as the automation conversion to Long rounds: 200350 is 2004.
int32_t CPeriod::Year() const { return CLng(Variant(static_cast<double>(id_) / 100.0)); }

int32_t CPeriod::Number() const { return id_ - Year() * 100; }

const DispatchTable* CPeriod::classDispatchTable() {
  using C = CPeriod;
  static const DispatchTable table =
      DispatchBuilder<C>(u"CPeriod")
          .get(u"Status", &C::Status)
          .get(u"ID", &C::ID)
          .get(u"NextPeriod", &C::NextPeriod)
          .get(u"Number", &C::Number)
          .get(u"PreviousPeriod", &C::PreviousPeriod)
          .get(u"Year", &C::Year)
          .get(u"StartDate", &C::StartDate)
          .get(u"EndDate", &C::EndDate)
          // The dates convert as dates (a date text too), not as plain numbers.
          .raw(u"InitPeriod", InvokeKind::Method, 6, 6,
               [](C& self, Args& args) {
                 Ref<CPeriods> parent;
                 const Variant& p = args[4].deref();
                 if (p.isObject() && p.rawObject()) {
                   parent = Ref<CPeriods>(dynamic_cast<CPeriods*>(p.rawObject().get()));
                   if (!parent) raiseError(err::TypeMismatch);
                 } else if (!p.isObject() && !p.isEmpty()) {
                   raiseError(err::TypeMismatch);
                 }
                 self.InitPeriod(CLng(args[0]), CDate(args[1]), CDate(args[2]), CLng(args[3]), parent, CLng(args[5]));
                 return Variant();
               },
               {.hidden = true})
          .build();
  return &table;
}

LV8_REGISTER_CLASS(CPeriod, nullptr);

}  // namespace lv8int
