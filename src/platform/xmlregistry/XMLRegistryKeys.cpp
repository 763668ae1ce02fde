#include "platform/xmlregistry/XMLRegistryKeys.h"

namespace lv8int {

Ref<XMLRegistryKey> XMLRegistryKeys::Item(const Variant& index) {
  const Variant& v = index.deref();
  if (v.isString()) {
    if (Ref<XMLRegistryKey> found = key_->findSubKey(v.rawString())) return found;
    raiseError(err::InvalidProcedureCall, u"XMLRegistryKeys", u"The key '" + v.rawString() + u"' does not exist.");
  }
  if (v.isMissing() || v.isEmpty() || v.isNull()) raiseError(err::InvalidProcedureCall);
  int32_t position = CLng(v);
  if (position < 1 || position > Count()) raiseError(err::SubscriptOutOfRange);
  return key_->subKeys()[static_cast<size_t>(position - 1)];
}

Ref<Object> XMLRegistryKeys::NewEnum() const {
  std::vector<Variant> items;
  for (const auto& key : key_->subKeys()) items.emplace_back(key);
  return make<VectorEnumerator>(std::move(items));
}

const DispatchTable* XMLRegistryKeys::dispatchTable() const {
  static const DispatchTable table =
      DispatchBuilder<XMLRegistryKeys>(u"XMLRegistryKeys")
          .method(u"Item", &XMLRegistryKeys::Item, {.id = DISPID_VALUE})
          .get(u"Count", &XMLRegistryKeys::Count)
          .get(u"_NewEnum", &XMLRegistryKeys::NewEnum, {.id = DISPID_NEWENUM, .hidden = true})
          .build();
  return &table;
}

}  // namespace lv8int
