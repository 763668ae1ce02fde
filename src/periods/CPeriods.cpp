#include "periods/CPeriods.h"

#include <algorithm>

#include "app/CApplication.h"
#include "periods/CPeriod.h"
#include "platform/recordset/RecordReader.h"
#include "platform/recordset/RecordsetAccess.h"
#include "typelib/Registration.h"

namespace lv8int {

CPeriods::CPeriods() : periods_(make<Collection>()) {}

CPeriods::~CPeriods() = default;

int32_t CPeriods::Count() const { return periods_->Count(); }

Ref<CPeriod> CPeriods::Item(Variant& index) {
  const Variant& v = index.deref();
  if (v.isString()) {
    // An ID that is not there is no error: the caller gets no object.
    const Variant* position = periods_->find(v.rawString());
    if (!position) return nullptr;
    return periodAt(CLng(*position));
  }
  // Anything else is a position, with the collection's errors (9 outside 1..Count).
  return periodAt(CLng(periods_->Item(index)));
}

Ref<Object> CPeriods::NewEnum() const {
  std::vector<Variant> items;
  items.reserve(entries_.size());
  for (int32_t i = 1; i <= static_cast<int32_t>(entries_.size()); ++i) items.emplace_back(periodAt(i));
  return make<VectorEnumerator>(std::move(items));
}

Ref<CPeriod> CPeriods::periodAt(int32_t position) const {
  Entry& e = entries_.at(static_cast<size_t>(position - 1));
  if (e.live) return Ref<CPeriod>(e.live);
  Ref<CPeriod> p = make<CPeriod>();
  p->InitPeriod(e.id, e.startDate, e.endDate, e.status, Ref<CPeriods>(const_cast<CPeriods*>(this)), position);
  e.live = p.get();
  return p;
}

void CPeriods::periodEnded(int32_t position, const CPeriod* period) {
  if (position < 1 || static_cast<size_t>(position) > entries_.size()) return;
  Entry& e = entries_[static_cast<size_t>(position - 1)];
  if (e.live == period) e.live = nullptr;
}

void CPeriods::LoadPeriods(const Ref<CApplication>& objApp) {
  if (!objApp) raiseError(err::ObjectNotSet);
  Ref<Object> component = objApp->CreateMidObject(u"ZRMDictUtil.utilPeriod");
  if (!component) raiseError(err::ObjectNotSet);
  RecordReader rs(recordsets::fromAnswer(
      component->call(u"GetAllPeriod", {Variant(objApp->StrEnv()), Variant(objApp->strEnvValue())})));
  const size_t idField = rs.field(Variant(u"ID"));
  const size_t startField = rs.field(Variant(u"StartDate"));
  const size_t endField = rs.field(Variant(u"EndDate"));
  const size_t statusField = rs.field(Variant(u"Status"));

  // Built aside and taken over only when every record has been read, so a failed load leaves
  // no partial list behind.
  Ref<Collection> periods = make<Collection>();
  std::vector<Entry> entries;
  auto readOne = [&] {
    Entry e;
    // Every field is read before any is converted, as the fields were always read.
    const Variant& id = rs.value(idField);
    const Variant& start = rs.value(startField);
    const Variant& end = rs.value(endField);
    const Variant& status = rs.value(statusField);
    e.id = CLng(id);
    e.startDate = CDate(start);
    e.endDate = CDate(end);
    e.status = CLng(status);
    // The key is the ID field's own text; a repeated one is the collection's error 457.
    periods->Add(Variant(static_cast<int32_t>(entries.size() + 1)), Variant(CStr(id)));
    entries.push_back(e);
    rs.moveNext();
  };
  if (!rs.isEmpty()) {
    rs.moveFirst();
    const int32_t count = rs.recordCount();
    if (count < 0) {
      // A cursor that does not know its size (-1) is read to its end.
      while (!rs.atEOF()) readOne();
    } else {
      // Room made up front, within reason (the count is the recordset's word).
      const size_t expected = std::min<size_t>(static_cast<size_t>(count), size_t{1} << 20);
      periods->reserve(expected);
      entries.reserve(expected);
      for (int32_t i = 1; i <= count; ++i) readOne();
    }
  }
  rs.close();

  // Periods handed out from an earlier load keep their own fields but are no longer ours.
  for (Entry& e : entries_) e.live = nullptr;
  periods_ = periods;
  entries_ = std::move(entries);
}

void CPeriods::dropPeriods() {
  for (Entry& e : entries_) e.live = nullptr;
  entries_.clear();
  periods_ = make<Collection>();
}

const DispatchTable* CPeriods::classDispatchTable() {
  using C = CPeriods;
  static const DispatchTable table = DispatchBuilder<C>(u"CPeriods")
                                         .get(u"Count", &C::Count)
                                         .method(u"Item", &C::Item, {.id = DISPID_VALUE})
                                         .get(u"NewEnum", &C::NewEnum, {.id = DISPID_NEWENUM})
                                         .method(u"LoadPeriods", &C::LoadPeriods, {.hidden = true})
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CPeriods, nullptr);

}  // namespace lv8int
