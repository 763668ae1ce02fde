#pragma once
// Collection: a 1-based list of Variants with optional text keys compared without regard to
// case (ICU case folding). Errors: a key that is not there 5, a position outside 1..Count 9,
// a key already present 457 (the collection is then unchanged). Key lookup is O(1).
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class Collection : public Object {
 public:
  // Add(Item, [Key], [Before], [After]): Before/After are a position or a key; giving both is 5.
  // An omitted or empty key adds the item without a key.
  void Add(const Variant& item, const Variant& key = Variant::missing(), const Variant& before = Variant::missing(),
           const Variant& after = Variant::missing());
  int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
  // Item(Index): a text is a key, anything else a position.
  Variant Item(const Variant& index) const;
  void Remove(const Variant& index);
  Ref<Object> NewEnum() const;

  // C++ conveniences.
  bool hasKey(StringView key) const;
  // The item under `key`, or null when there is none (no error).
  const Variant* find(StringView key) const;
  const Variant& at(int32_t position) const;  // 1-based; 9 when out of range
  std::vector<Variant> values() const;
  void clear();
  // Room for `count` items (keyed or not) without growing; a hint only.
  void reserve(size_t count);

  const DispatchTable* dispatchTable() const override;

 private:
  struct Node {
    Variant value;
    String foldedKey;  // empty: no key
  };
  size_t positionOf(const Variant& index) const;  // 0-based index into items_
  size_t insertionPoint(const Variant& before, const Variant& after) const;

  std::vector<std::shared_ptr<Node>> items_;
  // Folded keys; looked up with the caller's text as it is (NoCaseHash folds on the fly).
  std::unordered_map<String, std::shared_ptr<Node>, NoCaseHash, NoCaseEqual> byKey_;
};

}  // namespace lv8int
