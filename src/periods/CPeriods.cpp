#include "periods/CPeriods.h"

#include <algorithm>
#include <climits>

#include "app/CApplication.h"
#include "periods/CPeriod.h"
#include "platform/recordset/RecordReader.h"
#include "platform/recordset/RecordsetAccess.h"
#include "typelib/Registration.h"

namespace lv8int {

void CPeriods::Table::reserve(size_t count) {
  entries.reserve(count);
  keys.reserve(count * 6);  // six digits: year and number
  // Half full at most, so probes stay short.
  size_t want = 16;
  while (want < count * 2) want *= 2;
  if (want > buckets.size()) {
    buckets.assign(want, 0);
    for (uint32_t p = 1; p <= entries.size(); ++p)
      if (entries[p - 1].keyLength) place(p);
  }
}

namespace {

// A slot holds a position in its low half and the key hash's high half above it, so most
// probes that do not match are settled without reading the period.
constexpr uint64_t slotOf(uint32_t position, size_t hash) {
  return (static_cast<uint64_t>(hash) & 0xFFFFFFFF00000000u) | position;
}
constexpr uint32_t positionIn(uint64_t slot) { return static_cast<uint32_t>(slot); }

}  // namespace

void CPeriods::Table::grow() {
  buckets.assign(buckets.empty() ? 16 : buckets.size() * 2, 0);
  for (uint32_t p = 1; p <= entries.size(); ++p)
    if (entries[p - 1].keyLength) place(p);
}

void CPeriods::Table::place(uint32_t position) {
  const size_t mask = buckets.size() - 1;
  const size_t hash = entries[position - 1].keyHash;
  size_t i = hash & mask;
  while (buckets[i]) i = (i + 1) & mask;
  buckets[i] = slotOf(position, hash);
}

int32_t CPeriods::Table::find(StringView key) const {
  if (buckets.empty() || key.empty()) return 0;
  return find(key, NoCaseHash()(key));
}

int32_t CPeriods::Table::find(StringView key, size_t hash) const {
  const size_t mask = buckets.size() - 1;
  const uint64_t tag = slotOf(0, hash);
  for (size_t i = hash & mask; buckets[i]; i = (i + 1) & mask) {
    if ((buckets[i] & 0xFFFFFFFF00000000u) != tag) continue;
    const uint32_t position = positionIn(buckets[i]);
    const Entry& e = entries[position - 1];
    if (e.keyHash == hash && equalsNoCase(StringView(keys).substr(e.keyStart, e.keyLength), key))
      return static_cast<int32_t>(position);
  }
  return 0;
}

void CPeriods::Table::append(const Entry& entry, StringView key) {
  if (entries.size() >= INT32_MAX) raiseError(err::OutOfMemory);
  Entry e = entry;
  e.keyLength = 0;
  if (!key.empty()) {
    const String folded = foldCase(key);
    e.keyHash = NoCaseHash()(folded);
    if (!buckets.empty() && find(folded, e.keyHash)) raiseError(err::DuplicateKey);
    if (keys.size() + folded.size() > UINT32_MAX) raiseError(err::OutOfMemory);
    e.keyStart = static_cast<uint32_t>(keys.size());
    e.keyLength = static_cast<uint32_t>(folded.size());
    if ((keyed + 1) * 2 > buckets.size()) grow();
    keys += folded;
  }
  entries.push_back(e);
  if (e.keyLength) {
    place(static_cast<uint32_t>(entries.size()));
    ++keyed;
  }
}

CPeriods::CPeriods() = default;

CPeriods::~CPeriods() = default;

int32_t CPeriods::Count() const { return static_cast<int32_t>(table_.entries.size()); }

Ref<CPeriod> CPeriods::Item(Variant& index) {
  const Variant& v = index.deref();
  if (v.isString()) {
    // An ID that is not there is no error: the caller gets no object.
    const int32_t position = table_.find(v.rawString());
    return position ? periodAt(position) : nullptr;
  }
  return periodAt(positionOf(index));
}

int32_t CPeriods::positionOf(const Variant& index) const {
  if (index.isObject()) return positionOf(valueOf(index));
  const Variant& v = index.deref();
  if (v.isString()) {
    const int32_t position = table_.find(v.rawString());
    if (!position) raiseError(err::InvalidProcedureCall);
    return position;
  }
  if (v.isMissing() || v.isEmpty() || v.isNull()) raiseError(err::InvalidProcedureCall);
  const int32_t position = CLng(v);
  if (position < 1 || position > Count()) raiseError(err::SubscriptOutOfRange);
  return position;
}

Ref<Object> CPeriods::NewEnum() const {
  std::vector<Variant> items;
  items.reserve(table_.entries.size());
  for (int32_t i = 1; i <= Count(); ++i) items.emplace_back(periodAt(i));
  return make<VectorEnumerator>(std::move(items));
}

Ref<CPeriod> CPeriods::periodAt(int32_t position) const {
  Entry& e = table_.entries.at(static_cast<size_t>(position - 1));
  if (e.live) return Ref<CPeriod>(e.live);
  Ref<CPeriod> p = make<CPeriod>();
  p->InitPeriod(e.id, e.startDate, e.endDate, e.status, Ref<CPeriods>(const_cast<CPeriods*>(this)), position);
  e.live = p.get();
  return p;
}

void CPeriods::periodEnded(int32_t position, const CPeriod* period) {
  if (position < 1 || static_cast<size_t>(position) > table_.entries.size()) return;
  Entry& e = table_.entries[static_cast<size_t>(position - 1)];
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
  Table periods;
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
    periods.append(e, CStr(id));
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
      periods.reserve(expected);
      for (int32_t i = 1; i <= count; ++i) readOne();
    }
  }
  rs.close();

  // Periods handed out from an earlier load keep their own fields but are no longer ours.
  for (Entry& e : table_.entries) e.live = nullptr;
  table_ = std::move(periods);
}

void CPeriods::dropPeriods() {
  for (Entry& e : table_.entries) e.live = nullptr;
  table_ = Table();
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
