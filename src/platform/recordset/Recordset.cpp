#include "platform/recordset/Recordset.h"

#include "platform/recordset/Field.h"
#include "platform/recordset/Fields.h"

namespace lv8int {

namespace {

[[noreturn]] void raiseNoCurrentRecord() {
  raiseError(rserr::NoCurrentRecord, kRecordsetErrorSource,
             u"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
             u"current record.");
}

}  // namespace

Recordset::Recordset(std::vector<String> fieldNames) : names_(std::move(fieldNames)) {}

void Recordset::requireOpen() const {
  if (!open_)
    raiseError(rserr::ObjectClosed, kRecordsetErrorSource, u"Operation is not allowed when the object is closed.");
}

void Recordset::addRecord(std::vector<Variant> values) {
  requireOpen();
  if (values.size() != names_.size())
    raiseError(err::InvalidProcedureCall, kRecordsetErrorSource,
               u"A record needs " + toString(static_cast<long long>(names_.size())) + u" values, not " +
                   toString(static_cast<long long>(values.size())));
  // A by-reference value is stored as the value it stands for.
  for (Variant& v : values)
    if (v.isByRef()) v = Variant(v.deref());
  const bool wasEmpty = rows_.empty();
  rows_.push_back(std::move(values));
  if (wasEmpty) current_ = 0;
}

int32_t Recordset::RecordCount() const {
  requireOpen();
  return reportsCount_ ? static_cast<int32_t>(rows_.size()) : -1;
}

bool Recordset::atBOF() const {
  requireOpen();
  return rows_.empty();
}

bool Recordset::atEOF() const {
  requireOpen();
  return current_ >= rows_.size();
}

void Recordset::MoveFirst() {
  requireOpen();
  if (rows_.empty()) raiseNoCurrentRecord();
  current_ = 0;
}

void Recordset::MoveNext() {
  requireOpen();
  if (current_ >= rows_.size()) raiseNoCurrentRecord();
  ++current_;
}

Variant Recordset::Fields(const Variant& index) {
  requireOpen();
  Ref<lv8int::Fields> fields = make<lv8int::Fields>(Ref<Recordset>(this));
  if (index.isMissing()) return Variant(fields);
  return Variant(fields->Item(index));
}

void Recordset::Close() {
  requireOpen();
  open_ = false;
  rows_.clear();
  current_ = 0;
}

int32_t Recordset::fieldCount() const {
  requireOpen();
  return static_cast<int32_t>(names_.size());
}

const String& Recordset::fieldName(int32_t position) const {
  requireOpen();
  if (position < 0 || static_cast<size_t>(position) >= names_.size())
    raiseError(rserr::ItemNotFound, kRecordsetErrorSource,
               u"Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return names_[static_cast<size_t>(position)];
}

int32_t Recordset::fieldPosition(const Variant& index) const {
  requireOpen();
  const Variant& v = index.deref();
  if (v.isString()) {
    for (size_t i = 0; i < names_.size(); ++i)
      if (equalsNoCase(names_[i], v.rawString())) return static_cast<int32_t>(i);
  } else if (v.isNumeric()) {
    // An ordinal that is no whole Long (overflow, a fraction past rounding) finds nothing either.
    try {
      const int32_t n = CLng(v);
      if (n >= 0 && static_cast<size_t>(n) < names_.size()) return n;
    } catch (const AutomationError&) {
    }
  }
  raiseError(rserr::ItemNotFound, kRecordsetErrorSource,
             u"Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

const Variant& Recordset::value(int32_t position) const {
  requireOpen();
  if (current_ >= rows_.size()) raiseNoCurrentRecord();
  return rows_[current_][static_cast<size_t>(position)];
}

const DispatchTable* Recordset::classDispatchTable() {
  using C = Recordset;
  static const DispatchTable table = DispatchBuilder<C>(u"Recordset")
                                         .get(u"RecordCount", &C::RecordCount)
                                         .get(u"BOF", &C::atBOF)
                                         .get(u"EOF", &C::atEOF)
                                         .method(u"MoveFirst", &C::MoveFirst)
                                         .method(u"MoveNext", &C::MoveNext)
                                         .get(u"Fields", &C::Fields, {.required = 0})
                                         .method(u"Close", &C::Close)
                                         .build();
  return &table;
}

}  // namespace lv8int
