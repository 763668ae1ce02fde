#pragma once
// Object: the base of every automation object. Intrusive reference counting, late binding by
// member name (ignoring case) or dispatch id, and interface queries.
#include <cstdint>
#include <vector>

#include "platform/automation/Ref.h"
#include "platform/automation/String.h"

namespace lv8int {

class Variant;
class DispatchTable;

enum class InvokeKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

using DispId = int32_t;
inline constexpr DispId DISPID_VALUE = 0;
inline constexpr DispId DISPID_UNKNOWN = -1;
inline constexpr DispId DISPID_NEWENUM = -4;

// Arguments of a late-bound call, in declaration order (first parameter first). An argument
// may be a by-reference Variant (Variant::byRef) whose target the callee may write.
using Args = std::vector<Variant>;

class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object();

  void addRef() const noexcept { ++refs_; }
  void release() const noexcept {
    if (--refs_ == 0) delete this;
  }
  int32_t refCount() const noexcept { return refs_; }

  // Late-bound call by member name. The default implementation looks the name up in the
  // class's dispatch table: unknown member 438, wrong argument count 450, missing required
  // argument 449. A property get may also be called as a method and vice versa.
  virtual Variant invoke(StringView name, InvokeKind kind, Args& args);
  // Late-bound call by dispatch id (DISPID_VALUE for the default member, DISPID_NEWENUM for
  // the enumerator).
  virtual Variant invokeId(DispId id, InvokeKind kind, Args& args);
  // The dispatch id of a member name, or DISPID_UNKNOWN.
  virtual DispId memberId(StringView name) const;

  // The class's member table; null for objects that answer invoke() themselves.
  virtual const DispatchTable* dispatchTable() const { return nullptr; }

  // Name used in error sources and diagnostics.
  virtual String typeName() const;

  // Convenience wrappers over invoke(). Overloads rather than default arguments: a default
  // Args{} here would need the complete Variant, which this header cannot include.
  Variant call(StringView name);
  Variant call(StringView name, Args args);
  Variant get(StringView name);
  Variant get(StringView name, Args args);
  void put(StringView name, const Variant& value);
  void put(StringView name, const Variant& value, Args args);
  void putRef(StringView name, const Variant& value);
  void putRef(StringView name, const Variant& value, Args args);

 private:
  mutable int32_t refs_ = 0;
};

// Ask an object for one of its interfaces (a C++ abstract class). No object when it does not
// implement it.
template <class T>
Ref<T> query(const Ref<Object>& obj) {
  return Ref<T>(obj ? dynamic_cast<T*>(obj.get()) : nullptr);
}
template <class T>
Ref<T> query(Object* obj) {
  return Ref<T>(obj ? dynamic_cast<T*>(obj) : nullptr);
}

}  // namespace lv8int
