#include "platform/xmlregistry/XMLRegistryValues.h"

namespace lv8int {

Ref<XMLRegistryValue> XMLRegistryValues::Item(const Variant& index) {
  const Variant& v = index.deref();
  if (v.isString()) {
    const String& name = v.rawString();
    if (name.empty()) raiseError(err::InvalidProcedureCall, u"XMLRegistryValues", u"A value name may not be empty.");
    if (Ref<XMLRegistryValue> found = key_->findValue(name)) return found;
    XMLRegistryValue::checkText(name);
    return make<XMLRegistryValue>(name, key_);
  }
  if (v.isMissing() || v.isEmpty() || v.isNull()) raiseError(err::InvalidProcedureCall);
  int32_t position = CLng(v);
  if (position < 1 || position > Count()) raiseError(err::SubscriptOutOfRange);
  return key_->valueAt(static_cast<size_t>(position - 1));
}

Ref<Object> XMLRegistryValues::NewEnum() const {
  std::vector<Variant> items;
  const size_t count = key_->valueCount();
  items.reserve(count);
  for (size_t i = 0; i < count; ++i) items.emplace_back(key_->valueAt(i));
  return make<VectorEnumerator>(std::move(items));
}

const DispatchTable* XMLRegistryValues::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<XMLRegistryValues>(u"XMLRegistryValues")
          .method(u"Item", &XMLRegistryValues::Item, {.id = DISPID_VALUE})
          .get(u"Count", &XMLRegistryValues::Count)
          .get(u"_NewEnum", &XMLRegistryValues::NewEnum, {.id = DISPID_NEWENUM, .hidden = true})
          .build();
  return &table;
}

}  // namespace lv8int
