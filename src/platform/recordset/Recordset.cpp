#include "platform/recordset/Recordset.h"

#include <algorithm>
#include <stdexcept>

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

namespace {
constexpr size_t kBlockValues = 4096;
}  // namespace

Recordset::Recordset(std::vector<String> fieldNames)
    : names_(std::move(fieldNames)),
      read_(names_.size()),
      rowsPerBlock_(std::max<size_t>(1, kBlockValues / std::max<size_t>(1, names_.size()))) {}

bool Recordset::storesInPlace(const Variant& v) {
  if (v.isArray()) return false;
  const VarType t = v.type();
  return v.isNumeric() || t == VarType::Empty || t == VarType::Null || t == VarType::Error;
}

Variant Recordset::unpack(const Cell& cell) {
  switch (cell.type) {
    case VarType::Null:
      return Variant::null();
    case VarType::Integer:
      return Variant(static_cast<int16_t>(cell.num.i));
    case VarType::Long:
      return Variant(static_cast<int32_t>(cell.num.i));
    case VarType::Single:
      return Variant(static_cast<float>(cell.num.d));
    case VarType::Double:
      return Variant(cell.num.d);
    case VarType::Currency:
      return Variant::currency(cell.num.i);
    case VarType::Date:
      return Variant::date(cell.num.d);
    case VarType::Error:
      return Variant::error(static_cast<int32_t>(cell.num.i));
    case VarType::Boolean:
      return Variant(cell.num.i != 0);
    case VarType::Byte:
      return Variant::byte(static_cast<uint8_t>(cell.num.i));
    default:
      return Variant();
  }
}

void Recordset::requireOpen() const {
  if (!open_)
    raiseError(rserr::ObjectClosed, kRecordsetErrorSource, u"Operation is not allowed when the object is closed.");
}

void Recordset::addRecord(std::vector<Variant> values) { moveRecordIn(values); }

void Recordset::moveRecordIn(std::span<Variant> values) {
  requireOpen();
  if (values.size() != names_.size())
    raiseError(err::InvalidProcedureCall, kRecordsetErrorSource,
               u"A record needs " + toString(static_cast<long long>(names_.size())) + u" values, not " +
                   toString(static_cast<long long>(values.size())));
  if (!names_.empty()) {
    if (rowCount_ % rowsPerBlock_ == 0) {
      blocks_.emplace_back();
      try {
        blocks_.back().reserve(rowsPerBlock_ * names_.size());
      } catch (...) {
        blocks_.pop_back();
        throw;
      }
    }
    std::vector<Cell>& block = blocks_.back();
    const size_t before = block.size();
    const size_t boxedBefore = boxed_.size();
    try {
      for (Variant& v : values) {
        // A by-reference value is stored as the value it stands for.
        const Variant& value = v.deref();
        Cell cell;
        cell.type = value.type();
        if (storesInPlace(value)) {
          if (cell.type == VarType::Single || cell.type == VarType::Double || cell.type == VarType::Date)
            cell.num.d = value.rawDouble();
          else
            cell.num.i = value.rawInteger();
        } else {
          cell.boxed = true;
          cell.num.i = static_cast<int64_t>(boxed_.size());
          boxed_.push_back(v.isByRef() ? Variant(v.deref()) : std::move(v));
        }
        block.push_back(cell);
      }
    } catch (...) {
      block.resize(before);  // no half record
      boxed_.resize(boxedBefore);
      if (block.empty()) blocks_.pop_back();
      throw;
    }
  }
  ++rowCount_;
}

int32_t Recordset::RecordCount() const {
  requireOpen();
  return reportsCount_ ? static_cast<int32_t>(rowCount_) : -1;
}

bool Recordset::atBOF() const {
  requireOpen();
  return rowCount_ == 0;
}

bool Recordset::atEOF() const {
  requireOpen();
  return current_ >= rowCount_;
}

void Recordset::MoveFirst() {
  requireOpen();
  if (rowCount_ == 0) raiseNoCurrentRecord();
  current_ = 0;
}

void Recordset::MoveNext() {
  requireOpen();
  if (current_ >= rowCount_) raiseNoCurrentRecord();
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
  blocks_.clear();
  boxed_.clear();
  for (Variant& v : read_) v = Variant();
  rowCount_ = 0;
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

std::vector<Variant> Recordset::record(size_t index) const {
  if (index >= rowCount_) throw std::out_of_range("Recordset::record");
  const Cell* cells = &blocks_[index / rowsPerBlock_][index % rowsPerBlock_ * names_.size()];
  std::vector<Variant> values;
  values.reserve(names_.size());
  for (size_t f = 0; f < names_.size(); ++f)
    values.push_back(cells[f].boxed ? boxed_[static_cast<size_t>(cells[f].num.i)] : unpack(cells[f]));
  return values;
}

const Variant& Recordset::value(int32_t position) const {
  requireOpen();
  if (current_ >= rowCount_) raiseNoCurrentRecord();
  const size_t field = static_cast<size_t>(position);
  const Cell& cell = blocks_[current_ / rowsPerBlock_][current_ % rowsPerBlock_ * names_.size() + field];
  if (cell.boxed) return boxed_[static_cast<size_t>(cell.num.i)];
  read_[field] = unpack(cell);
  return read_[field];
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
