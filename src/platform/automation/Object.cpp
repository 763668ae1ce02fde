#include "platform/automation/Object.h"

#include <typeinfo>

#include "platform/automation/Dispatch.h"

namespace lv8int {

Object::~Object() = default;

Variant Object::invoke(StringView name, InvokeKind kind, Args& args) {
  const DispatchTable* table = dispatchTable();
  const MemberInfo* m = table ? table->find(name, kind) : nullptr;
  if (!m) raiseError(err::MemberNotSupported);
  return table->call(*this, *m, args);
}

Variant Object::invokeId(DispId id, InvokeKind kind, Args& args) {
  const DispatchTable* table = dispatchTable();
  const MemberInfo* m = table ? table->find(id, kind) : nullptr;
  if (!m) raiseError(err::MemberNotSupported);
  return table->call(*this, *m, args);
}

DispId Object::memberId(StringView name) const {
  const DispatchTable* table = dispatchTable();
  return table ? table->idOf(name) : DISPID_UNKNOWN;
}

String Object::typeName() const {
  if (const DispatchTable* table = dispatchTable()) return table->className();
  return fromUtf8(typeid(*this).name());
}

Variant Object::call(StringView name) { return call(name, Args()); }

Variant Object::call(StringView name, Args args) { return invoke(name, InvokeKind::Method, args); }

Variant Object::get(StringView name) { return get(name, Args()); }

Variant Object::get(StringView name, Args args) { return invoke(name, InvokeKind::PropertyGet, args); }

void Object::put(StringView name, const Variant& value) { put(name, value, Args()); }

void Object::putRef(StringView name, const Variant& value) { putRef(name, value, Args()); }

void Object::put(StringView name, const Variant& value, Args args) {
  args.push_back(value);
  invoke(name, InvokeKind::PropertyPut, args);
}

void Object::putRef(StringView name, const Variant& value, Args args) {
  args.push_back(value);
  invoke(name, InvokeKind::PropertyPutRef, args);
}

}  // namespace lv8int
