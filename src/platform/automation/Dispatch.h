#pragma once
// Declarative member tables for late binding. Each class lists its members in slot order next
// to the class:
//
//   const DispatchTable* CConfig::dispatchTable() const {
//     static const DispatchTable table = DispatchBuilder<CConfig>(u"CConfig")
//         .get(u"Properties", &CConfig::Properties, {.id = DISPID_VALUE})
//         .get(u"Path", &CConfig::Path)
//         .method(u"Reload", &CConfig::Reload)
//         .build();
//     return &table;
//   }
//
// Parameters convert from Variants by the automation rules: String (CStr), int32_t (CLng),
// int16_t (CInt), bool (CBool), double (CDbl), float (CSng), uint8_t (CByte), Ref<T> (an
// object implementing T, else 13), const Variant& (as passed, Missing for an omitted
// optional). A non-const reference parameter (Variant&, String&, bool&, int32_t& ...) is by
// reference: what the callee writes reaches the caller's variable. Omitted optional arguments
// (past `required`) arrive as the type's zero value ("" , 0, False, no object) or Missing.
// For a property put the value is the last argument.
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

namespace lv8int {

struct MemberOptions {
  int required = -1;            // required arguments; -1: all parameters are required
  DispId id = DISPID_UNKNOWN;   // DISPID_VALUE, DISPID_NEWENUM, or assigned
  bool hidden = false;          // library-internal member kept in slot order
};

struct MemberInfo {
  String name;
  DispId id = DISPID_UNKNOWN;
  InvokeKind kind = InvokeKind::Method;
  int required = 0;
  int arity = 0;
  bool hidden = false;
  std::function<Variant(Object&, Args&)> thunk;
};

class DispatchTable {
 public:
  DispatchTable() = default;
  DispatchTable(String className, std::vector<MemberInfo> members);

  const String& className() const noexcept { return className_; }
  // Members in slot order; a property with get and put is two slots.
  const std::vector<MemberInfo>& members() const noexcept { return members_; }

  // The member for a call of `kind`; a property get and a method answer each other.
  const MemberInfo* find(StringView name, InvokeKind kind) const;
  const MemberInfo* find(DispId id, InvokeKind kind) const;
  DispId idOf(StringView name) const;

  // Checks the argument count (450 too many, 449 a required one missing) and calls.
  Variant call(Object& self, const MemberInfo& member, Args& args) const;

 private:
  // The members of one name (in slot order): a run of byNameMembers_.
  struct NameSlot {
    size_t hash = 0;
    uint32_t first = 0;
    uint32_t count = 0;  // 0: an empty slot
  };
  const NameSlot* findName(StringView name) const;
  const MemberInfo* pick(const size_t* candidates, size_t count, InvokeKind kind) const;

  String className_;
  std::vector<MemberInfo> members_;
  // Member names by their folded hash, open addressing over a power-of-two table: a call by
  // name costs one hash of the name and, as a rule, one comparison.
  std::vector<NameSlot> nameSlots_;
  std::vector<size_t> byNameMembers_;
  std::unordered_map<DispId, std::vector<size_t>> byId_;
};

namespace dispatch_detail {

template <class T>
struct IsRef : std::false_type {};
template <class T>
struct IsRef<Ref<T>> : std::true_type {
  using Inner = T;
};

// Conversion of one argument to a by-value parameter of type T.
template <class T>
T fromArg(const Variant& arg, bool omitted) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, Variant>) {
    return omitted ? Variant::missing() : arg.deref();
  } else {
    if (omitted || arg.isMissing()) return U{};
    // An argument already of the parameter's type is taken as it is (what the conversion
    // would give).
    if constexpr (std::is_same_v<U, double>) {
      if (arg.type() == VarType::Double && !arg.isArray()) return arg.rawDouble();
    } else if constexpr (std::is_same_v<U, int32_t>) {
      if (arg.type() == VarType::Long && !arg.isArray()) return static_cast<int32_t>(arg.rawInteger());
    } else if constexpr (std::is_same_v<U, bool>) {
      if (arg.type() == VarType::Boolean && !arg.isArray()) return arg.rawBool();
    }
    if constexpr (std::is_same_v<U, String>) return CStr(arg);
    else if constexpr (std::is_same_v<U, bool>) return CBool(arg);
    else if constexpr (std::is_same_v<U, int32_t>) return CLng(arg);
    else if constexpr (std::is_same_v<U, int16_t>) return CInt(arg);
    else if constexpr (std::is_same_v<U, uint8_t>) return CByte(arg);
    else if constexpr (std::is_same_v<U, double>) return CDbl(arg);
    else if constexpr (std::is_same_v<U, float>) return CSng(arg);
    else if constexpr (IsRef<U>::value) {
      using Inner = typename IsRef<U>::Inner;
      const Variant& v = arg.deref();
      if (v.isEmpty()) return U{};
      if (!v.isObject()) raiseError(err::TypeMismatch);
      if (!v.rawObject()) return U{};
      if constexpr (std::is_same_v<Inner, Object>) {
        return v.rawObject();
      } else {
        Inner* p = dynamic_cast<Inner*>(v.rawObject().get());
        if (!p) raiseError(err::TypeMismatch);
        return U(p);
      }
    } else {
      static_assert(sizeof(U) == 0, "unsupported parameter type in a dispatch table");
    }
  }
}

template <class R>
Variant toVariant(R&& value) {
  using U = std::remove_cvref_t<R>;
  if constexpr (std::is_same_v<U, Variant>) return std::forward<R>(value);
  else if constexpr (std::is_same_v<U, uint8_t>) return Variant::byte(value);
  else if constexpr (std::is_same_v<U, String>) return Variant(std::forward<R>(value));
  else if constexpr (IsRef<U>::value) return Variant(Ref<Object>(value));
  else return Variant(value);
}

// Holds one converted argument for the length of a call; writes by-reference ones back.
template <class P>
struct ArgSlot {
  using U = std::remove_cvref_t<P>;
  static constexpr bool byRef = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;

  // A text parameter taken by const reference reads a text argument passed by value where it
  // is, without a copy (nothing the callee does can change the argument list).
  static constexpr bool borrowsText = std::is_same_v<P, const String&>;

  Variant* target = nullptr;  // by-reference: the caller's variable (or the argument slot)
  const String* borrowed = nullptr;
  U value;

  ArgSlot(Args& args, size_t index, bool omitted) : value(init(args, index, omitted)) {}

  U init(Args& args, size_t index, bool omitted) {
    if constexpr (borrowsText) {
      if (!omitted && !args[index].isByRef() && args[index].isString()) {
        borrowed = &args[index].rawString();
        return U{};
      }
    }
    if constexpr (byRef) {
      if (!omitted) target = &args[index].deref();
      if constexpr (std::is_same_v<U, Variant>) {
        // An omitted optional by-reference Variant reads as Missing, as a by-value one does.
        return omitted ? Variant::missing() : U{};
      } else {
        return fromArg<U>(omitted ? Variant() : *target, omitted);
      }
    } else {
      return fromArg<U>(omitted ? Variant() : args[index], omitted);
    }
  }

  P get() {
    if constexpr (byRef && std::is_same_v<U, Variant>) {
      return target ? *target : value;
    } else if constexpr (borrowsText) {
      return borrowed ? *borrowed : value;
    } else {
      return value;
    }
  }

  void writeBack() {
    if constexpr (byRef && !std::is_same_v<U, Variant>) {
      if (target) *target = toVariant(value);
    }
  }
};

template <class C>
C& self(Object& o) {
  if constexpr (requires(Object* p) { static_cast<C*>(p); }) {
    return static_cast<C&>(o);
  } else {
    return dynamic_cast<C&>(o);  // C reaches Object through a virtual base
  }
}

template <class R, class... P, class C, class F, size_t... I>
Variant callWith(C& obj, F fn, Args& args, std::index_sequence<I...>) {
  std::tuple<ArgSlot<P>...> argSlots{ArgSlot<P>(args, I, I >= args.size())...};
  if constexpr (std::is_void_v<R>) {
    (obj.*fn)(std::get<I>(argSlots).get()...);
    (std::get<I>(argSlots).writeBack(), ...);
    return Variant();
  } else {
    Variant result = toVariant((obj.*fn)(std::get<I>(argSlots).get()...));
    (std::get<I>(argSlots).writeBack(), ...);
    return result;
  }
}

template <class C, class F>
struct Binder;

// One specialisation per qualifier set of a member function (const, noexcept). The function
// may belong to a base class B of C.
#define LV8_DISPATCH_BINDER(QUALIFIERS)                                                   \
  template <class C, class B, class R, class... P>                                         \
  struct Binder<C, R (B::*)(P...) QUALIFIERS> {                                            \
    static_assert(std::is_base_of_v<B, C>, "member function of another class");            \
    static constexpr int arity = sizeof...(P);                                             \
    static std::function<Variant(Object&, Args&)> make(R (B::*fn)(P...) QUALIFIERS) {      \
      return [fn](Object& o, Args& args) {                                                 \
        return callWith<R, P...>(self<C>(o), fn, args, std::index_sequence_for<P...>{});   \
      };                                                                                   \
    }                                                                                      \
  };
LV8_DISPATCH_BINDER()
LV8_DISPATCH_BINDER(const)
LV8_DISPATCH_BINDER(noexcept)
LV8_DISPATCH_BINDER(const noexcept)
#undef LV8_DISPATCH_BINDER

}  // namespace dispatch_detail

// A member implemented by a function that takes the raw arguments (for members whose
// parameter list the converters cannot express).
template <class C>
using RawMember = std::function<Variant(C&, Args&)>;

template <class C>
class DispatchBuilder {
 public:
  explicit DispatchBuilder(String className) : className_(std::move(className)) {}

  template <class F>
  DispatchBuilder& method(StringView name, F fn, MemberOptions opt = {}) {
    return add(name, InvokeKind::Method, fn, opt);
  }
  template <class F>
  DispatchBuilder& get(StringView name, F fn, MemberOptions opt = {}) {
    return add(name, InvokeKind::PropertyGet, fn, opt);
  }
  template <class F>
  DispatchBuilder& put(StringView name, F fn, MemberOptions opt = {}) {
    return add(name, InvokeKind::PropertyPut, fn, opt);
  }
  template <class F>
  DispatchBuilder& putRef(StringView name, F fn, MemberOptions opt = {}) {
    return add(name, InvokeKind::PropertyPutRef, fn, opt);
  }
  // A member over raw arguments with an explicit arity.
  DispatchBuilder& raw(StringView name, InvokeKind kind, int required, int arity, RawMember<C> fn,
                       MemberOptions opt = {}) {
    MemberInfo m;
    m.name = String(name);
    m.kind = kind;
    m.required = required;
    m.arity = arity;
    m.id = opt.id;
    m.hidden = opt.hidden;
    m.thunk = [fn = std::move(fn)](Object& o, Args& args) { return fn(dispatch_detail::self<C>(o), args); };
    members_.push_back(std::move(m));
    return *this;
  }

  DispatchTable build() { return DispatchTable(className_, std::move(members_)); }

 private:
  template <class F>
  DispatchBuilder& add(StringView name, InvokeKind kind, F fn, MemberOptions opt) {
    using B = dispatch_detail::Binder<C, F>;
    MemberInfo m;
    m.name = String(name);
    m.kind = kind;
    m.arity = B::arity;
    m.required = opt.required < 0 ? B::arity : opt.required;
    m.id = opt.id;
    m.hidden = opt.hidden;
    m.thunk = B::make(fn);
    members_.push_back(std::move(m));
    return *this;
  }

  String className_;
  std::vector<MemberInfo> members_;
};

// An enumerator (the automation IEnumVARIANT): what a class's NewEnum member returns.
class Enumerator : public Object {
 public:
  // The next item, or false at the end.
  virtual bool next(Variant& item) = 0;
  virtual void reset() = 0;
};

// An enumerator over a snapshot of values.
class VectorEnumerator : public Enumerator {
 public:
  explicit VectorEnumerator(std::vector<Variant> items) : items_(std::move(items)) {}
  bool next(Variant& item) override;
  void reset() override { pos_ = 0; }

 private:
  std::vector<Variant> items_;
  size_t pos_ = 0;
};

// For Each over an object's enumeration member (dispatch id -4).
void forEach(const Ref<Object>& collection, const std::function<void(const Variant&)>& body);

}  // namespace lv8int
