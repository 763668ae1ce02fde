#include "platform/automation/Variant.h"

#include <climits>
#include <new>

#include "platform/automation/AutomationError.h"

namespace lv8int {

String typeName(VarType type) {
  switch (type) {
    case VarType::Empty: return u"Empty";
    case VarType::Null: return u"Null";
    case VarType::Integer: return u"Integer";
    case VarType::Long: return u"Long";
    case VarType::Single: return u"Single";
    case VarType::Double: return u"Double";
    case VarType::Currency: return u"Currency";
    case VarType::Date: return u"Date";
    case VarType::String: return u"String";
    case VarType::Object: return u"Object";
    case VarType::Error: return u"Error";
    case VarType::Boolean: return u"Boolean";
    case VarType::Variant: return u"Variant";
    case VarType::Byte: return u"Byte";
  }
  return u"Unknown";
}

Variant::Variant(const Variant& o)
    : type_(o.type_), isArray_(o.isArray_), num_(o.num_), str_(o.str_), obj_(o.obj_),
      arr_(o.arr_ ? std::make_unique<SafeArray>(*o.arr_) : nullptr), ref_(o.ref_) {}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Variant Variant::null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::missing() { return error(kMissingScode); }

Variant Variant::error(int32_t scode) {
  Variant v;
  v.type_ = VarType::Error;
  v.num_.i = scode;
  return v;
}

Variant Variant::byte(uint8_t b) {
  Variant v;
  v.type_ = VarType::Byte;
  v.num_.i = b;
  return v;
}

Variant Variant::currency(int64_t scaled) {
  Variant v;
  v.type_ = VarType::Currency;
  v.num_.i = scaled;
  return v;
}

Variant Variant::date(double days) {
  Variant v;
  v.type_ = VarType::Date;
  v.num_.d = days;
  return v;
}

Variant Variant::array(SafeArray array) {
  Variant v;
  v.type_ = array.elementType();
  v.isArray_ = true;
  v.arr_ = std::make_unique<SafeArray>(std::move(array));
  return v;
}

Variant Variant::byteArray(const std::vector<uint8_t>& bytes) {
  SafeArray a(VarType::Byte, 0, static_cast<int32_t>(bytes.size()) - 1);
  for (size_t i = 0; i < bytes.size(); ++i) a.elements()[i] = Variant::byte(bytes[i]);
  return array(std::move(a));
}

Variant Variant::byRef(Variant& target) {
  Variant v;
  v.ref_ = &target.deref();
  return v;
}

bool Variant::isNumeric() const noexcept {
  if (isArray()) return false;
  switch (type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
    case VarType::Boolean:
    case VarType::Byte:
      return true;
    default:
      return false;
  }
}

VarType Variant::arrayElementType() const noexcept {
  const Variant& v = deref();
  return v.arr_ ? v.arr_->elementType() : v.type_;
}

void Variant::assign(const Variant& value) {
  if (ref_) {
    // Write through to the target, keeping the value (not another reference).
    *ref_ = value.deref();
  } else {
    *this = value.deref();
  }
}

bool Variant::sameAs(const Variant& other) const {
  const Variant& a = deref();
  const Variant& b = other.deref();
  if (a.type_ != b.type_ || a.isArray_ != b.isArray_) return false;
  if (a.isArray_) {
    if (!a.arr_ || !b.arr_) return a.arr_ == b.arr_;
    if (a.arr_->size() != b.arr_->size()) return false;
    for (size_t i = 0; i < a.arr_->size(); ++i)
      if (!a.arr_->elements()[i].sameAs(b.arr_->elements()[i])) return false;
    return true;
  }
  switch (a.type_) {
    case VarType::Empty:
    case VarType::Null:
      return true;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
      return a.num_.d == b.num_.d;
    case VarType::String:
      return a.str_ == b.str_;
    case VarType::Object:
      return a.obj_ == b.obj_;
    default:
      return a.num_.i == b.num_.i;
  }
}

Variant zeroValue(VarType type) {
  switch (type) {
    case VarType::Integer: return Variant(int16_t{0});
    case VarType::Long: return Variant(int32_t{0});
    case VarType::Single: return Variant(0.0f);
    case VarType::Double: return Variant(0.0);
    case VarType::Currency: return Variant::currency(0);
    case VarType::Date: return Variant::date(0.0);
    case VarType::String: return Variant(String());
    case VarType::Object: return Variant::nothing();
    case VarType::Boolean: return Variant(false);
    case VarType::Byte: return Variant::byte(0);
    case VarType::Error: return Variant::error(0);
    default: return Variant();
  }
}

SafeArray::SafeArray(VarType elementType, std::vector<ArrayBound> bounds)
    : elementType_(elementType), bounds_(std::move(bounds)) {
  // More elements than a Long can count cannot be addressed: Out of memory, as the runtime says.
  uint64_t n = bounds_.empty() ? 0 : 1;
  for (const auto& b : bounds_) {
    int64_t count = static_cast<int64_t>(b.upper) - b.lower + 1;
    n *= static_cast<uint64_t>(count > 0 ? count : 0);
    if (n > static_cast<uint64_t>(INT32_MAX)) raiseError(err::OutOfMemory);
  }
  try {
    data_.assign(static_cast<size_t>(n), zeroValue(elementType_));
  } catch (const std::bad_alloc&) {
    raiseError(err::OutOfMemory);
  }
}

SafeArray::SafeArray(VarType elementType, int32_t lower, int32_t upper)
    : SafeArray(elementType, std::vector<ArrayBound>{{lower, upper}}) {}

int32_t SafeArray::lbound(int32_t dim) const {
  if (dim < 1 || dim > dims()) raiseError(err::SubscriptOutOfRange);
  return bounds_[static_cast<size_t>(dim - 1)].lower;
}

int32_t SafeArray::ubound(int32_t dim) const {
  if (dim < 1 || dim > dims()) raiseError(err::SubscriptOutOfRange);
  return bounds_[static_cast<size_t>(dim - 1)].upper;
}

Variant& SafeArray::at(std::initializer_list<int32_t> indexes) {
  if (static_cast<int32_t>(indexes.size()) != dims()) raiseError(err::SubscriptOutOfRange);
  size_t offset = 0, stride = 1, d = 0;
  for (int32_t idx : indexes) {
    const ArrayBound& b = bounds_[d++];
    if (idx < b.lower || idx > b.upper) raiseError(err::SubscriptOutOfRange);
    offset += static_cast<size_t>(idx - b.lower) * stride;
    stride *= static_cast<size_t>(b.count());
  }
  return data_[offset];
}

Variant& SafeArray::at(int32_t index) { return at({index}); }

const Variant& SafeArray::at(int32_t index) const { return const_cast<SafeArray*>(this)->at({index}); }

void SafeArray::redimPreserve(int32_t newUpper) {
  if (dims() != 1) raiseError(err::SubscriptOutOfRange);
  int64_t count = static_cast<int64_t>(newUpper) - bounds_[0].lower + 1;
  if (count > INT32_MAX) raiseError(err::OutOfMemory);
  try {
    data_.resize(static_cast<size_t>(count > 0 ? count : 0), zeroValue(elementType_));
  } catch (const std::bad_alloc&) {
    raiseError(err::OutOfMemory);
  }
  bounds_[0].upper = newUpper;
}

std::vector<uint8_t> SafeArray::toBytes() const {
  std::vector<uint8_t> out;
  out.reserve(data_.size());
  for (const auto& v : data_) out.push_back(static_cast<uint8_t>(v.rawInteger()));
  return out;
}

}  // namespace lv8int
