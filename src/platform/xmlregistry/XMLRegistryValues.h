#pragma once
// XMLRegistryValues: the named values of a key as a collection: Item(name or position),
// Count, and For Each over the values in the order they were added.
#include "platform/xmlregistry/XMLRegistryKey.h"

namespace lv8int {

class XMLRegistryValues : public Object {
 public:
  explicit XMLRegistryValues(Ref<XMLRegistryKey> key) : key_(std::move(key)) {}

  // A text index is a name: the value of that name, or a pending value for a name the key does
  // not hold (see XMLRegistryValue). A number is a position 1..Count (9 outside).
  Ref<XMLRegistryValue> Item(const Variant& index);
  int32_t Count() const { return static_cast<int32_t>(key_->valueCount()); }
  Ref<Object> NewEnum() const;

  const DispatchTable* dispatchTable() const override;

 private:
  Ref<XMLRegistryKey> key_;
};

}  // namespace lv8int
