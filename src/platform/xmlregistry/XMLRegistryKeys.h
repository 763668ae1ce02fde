#pragma once
// XMLRegistryKeys: the sub-keys of a key as a collection: Item(name or position), Count, and
// For Each over the sub-keys in the order they were added.
#include "platform/xmlregistry/XMLRegistryKey.h"

namespace lv8int {

class XMLRegistryKeys : public Object {
 public:
  explicit XMLRegistryKeys(Ref<XMLRegistryKey> key) : key_(std::move(key)) {}

  // The sub-key of that name (5 when there is none) or at that position (9 outside 1..Count).
  Ref<XMLRegistryKey> Item(const Variant& index);
  int32_t Count() const { return static_cast<int32_t>(key_->subKeys().size()); }
  Ref<Object> NewEnum() const;

  const DispatchTable* dispatchTable() const override;

 private:
  Ref<XMLRegistryKey> key_;
};

}  // namespace lv8int
