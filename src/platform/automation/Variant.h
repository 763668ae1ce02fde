#pragma once
// Variant: the tagged automation value. Empty, Null, Integer (int16), Long (int32), Single,
// Double, Currency (int64 x 10,000), Date (days since 1899-12-30), String, Object, Error
// (including the "missing argument" value of omitted optionals), Boolean (-1/0), Byte,
// arrays with bounds, and by-reference arguments.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"

namespace lv8int {

enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,
  Boolean = 11,
  Variant = 12,
  Byte = 17,
};

// The error value automation passes for an omitted optional argument (DISP_E_PARAMNOTFOUND).
inline constexpr int32_t kMissingScode = static_cast<int32_t>(0x80020004u);

// Type name as the runtime's TypeName reports it ("Long", "String", "Empty", ...).
String typeName(VarType type);

class SafeArray;

class Variant {
 public:
  Variant() noexcept = default;
  Variant(int16_t v) noexcept : type_(VarType::Integer) { num_.i = v; }
  Variant(int32_t v) noexcept : type_(VarType::Long) { num_.i = v; }
  Variant(float v) noexcept : type_(VarType::Single) { num_.d = v; }
  Variant(double v) noexcept : type_(VarType::Double) { num_.d = v; }
  Variant(bool v) noexcept : type_(VarType::Boolean) { num_.i = v ? -1 : 0; }
  Variant(String v) : type_(VarType::String), str_(std::move(v)) {}
  Variant(StringView v) : type_(VarType::String), str_(v) {}
  Variant(const char16_t* v) : type_(VarType::String), str_(v) {}
  template <class T>
  Variant(Ref<T> obj) : type_(VarType::Object), obj_(std::move(obj)) {}
  Variant(std::nullptr_t) : type_(VarType::Object) {}  // Nothing
  // Other integer widths must be chosen explicitly (Integer, Long, Byte or Currency).
  Variant(long) = delete;
  Variant(long long) = delete;
  Variant(unsigned) = delete;
  Variant(char) = delete;

  Variant(const Variant& o);
  Variant(Variant&& o) noexcept = default;
  Variant& operator=(const Variant& o);
  Variant& operator=(Variant&& o) noexcept = default;
  ~Variant() = default;

  static Variant null();
  static Variant missing();
  static Variant error(int32_t scode);
  static Variant byte(uint8_t v);
  static Variant currency(int64_t scaledBy10000);
  static Variant date(double days);
  static Variant nothing() { return Variant(nullptr); }
  static Variant array(SafeArray array);
  static Variant byteArray(const std::vector<uint8_t>& bytes);
  // A by-reference argument that reads and writes `target`.
  static Variant byRef(Variant& target);

  // Own type; for a by-reference argument, that of its target.
  VarType type() const noexcept { return deref().type_; }
  bool isByRef() const noexcept { return ref_ != nullptr; }
  // The value this Variant stands for (the target of a by-reference argument).
  const Variant& deref() const noexcept { return ref_ ? *ref_ : *this; }
  Variant& deref() noexcept { return ref_ ? *ref_ : *this; }

  bool isEmpty() const noexcept { return type() == VarType::Empty && !isArray(); }
  bool isNull() const noexcept { return type() == VarType::Null && !isArray(); }
  bool isMissing() const noexcept {
    const Variant& v = deref();
    return v.type_ == VarType::Error && !v.isArray_ && v.num_.i == kMissingScode;
  }
  bool isObject() const noexcept { return type() == VarType::Object && !isArray(); }
  bool isString() const noexcept { return type() == VarType::String && !isArray(); }
  bool isArray() const noexcept { return deref().isArray_; }
  bool isNumeric() const noexcept;  // Integer, Long, Single, Double, Currency, Date, Boolean, Byte

  // Raw access; the caller has checked the type (use the conversions otherwise).
  int64_t rawInteger() const noexcept { return deref().num_.i; }  // Integer, Long, Boolean, Byte, Currency, Error
  double rawDouble() const noexcept { return deref().num_.d; }    // Single, Double, Date
  const String& rawString() const noexcept { return deref().str_; }
  const Ref<Object>& rawObject() const noexcept { return deref().obj_; }
  bool rawBool() const noexcept { return deref().num_.i != 0; }
  // The array of an array Variant; null for an unallocated array.
  SafeArray* arrayData() noexcept { return deref().arr_.get(); }
  const SafeArray* arrayData() const noexcept { return deref().arr_.get(); }
  // Element type of an array Variant.
  VarType arrayElementType() const noexcept;

  // Writes through a by-reference argument to its target; an ordinary Variant is replaced.
  void assign(const Variant& value);

  // Identity equality for tests and containers: same type and same raw value (objects by
  // identity). Not the automation comparison (see Conversions.h).
  bool sameAs(const Variant& o) const;

 private:
  VarType type_ = VarType::Empty;
  bool isArray_ = false;
  union {
    int64_t i;
    double d;
  } num_{0};
  String str_;
  Ref<Object> obj_;
  std::unique_ptr<SafeArray> arr_;
  Variant* ref_ = nullptr;
};

struct ArrayBound {
  int32_t lower = 0;
  int32_t upper = -1;  // upper < lower: no elements
  // Saturates rather than overflowing for the widest bounds (SafeArray refuses those anyway).
  int32_t count() const noexcept {
    int64_t n = static_cast<int64_t>(upper) - lower + 1;
    return n <= 0 ? 0 : static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n);
  }
};

// A multi-dimensional automation array with lower and upper bounds. Elements are Variants of
// the element type (a Variant array holds any values). Copied by value, as automation arrays are.
class SafeArray {
 public:
  SafeArray(VarType elementType, std::vector<ArrayBound> bounds);
  // A one-dimensional array lower..upper.
  SafeArray(VarType elementType, int32_t lower, int32_t upper);

  VarType elementType() const noexcept { return elementType_; }
  int32_t dims() const noexcept { return static_cast<int32_t>(bounds_.size()); }
  // Bounds of dimension `dim` (1-based); 9 for a dimension the array does not have.
  int32_t lbound(int32_t dim = 1) const;
  int32_t ubound(int32_t dim = 1) const;
  size_t size() const noexcept { return data_.size(); }

  // Element access by indexes, one per dimension; 9 when out of range.
  Variant& at(std::initializer_list<int32_t> indexes);
  Variant& at(int32_t index);
  const Variant& at(int32_t index) const;

  // Elements in storage order (first dimension fastest, as automation arrays store them).
  std::vector<Variant>& elements() noexcept { return data_; }
  const std::vector<Variant>& elements() const noexcept { return data_; }

  // ReDim Preserve of a one-dimensional array: new elements are the element type's zero value.
  void redimPreserve(int32_t newUpper);

  std::vector<uint8_t> toBytes() const;

 private:
  VarType elementType_;
  std::vector<ArrayBound> bounds_;
  std::vector<Variant> data_;
};

// The zero value of an element type (0, "", Empty, Nothing ...).
Variant zeroValue(VarType type);

}  // namespace lv8int
