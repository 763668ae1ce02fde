#include "platform/automation/Collection.h"

#include <algorithm>
#include <cmath>

namespace lv8int {

namespace {
bool isKeyArgument(const Variant& v) { return v.deref().isString(); }
}  // namespace

size_t Collection::positionOf(const Variant& index) const {
  // An object index stands for its default value (which may be a key).
  if (index.isObject()) return positionOf(valueOf(index));
  const Variant& v = index.deref();
  if (v.isMissing() || v.isEmpty() || v.isNull()) raiseError(err::InvalidProcedureCall);
  if (isKeyArgument(v)) {
    auto it = byKey_.find(StringView(v.rawString()));
    if (it == byKey_.end()) raiseError(err::InvalidProcedureCall);
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == it->second) return i;
    raiseError(err::InvalidProcedureCall);
  }
  int32_t pos = CLng(v);
  if (pos < 1 || pos > Count()) raiseError(err::SubscriptOutOfRange);
  return static_cast<size_t>(pos - 1);
}

size_t Collection::insertionPoint(const Variant& before, const Variant& after) const {
  bool hasBefore = !before.deref().isMissing();
  bool hasAfter = !after.deref().isMissing();
  if (hasBefore && hasAfter) raiseError(err::InvalidProcedureCall);
  if (hasBefore) return positionOf(before);
  if (hasAfter) return positionOf(after) + 1;
  return items_.size();
}

void Collection::Add(const Variant& item, const Variant& key, const Variant& before, const Variant& after) {
  String folded;
  const Variant& k = key.deref();
  if (!k.isMissing() && !k.isEmpty()) {
    folded = foldCase(CStr(k));
    if (!folded.empty() && before.deref().isMissing() && after.deref().isMissing()) {
      // Appended under a key: the key's place is taken with one lookup, and given up again if
      // the rest fails. (Before or After may run a caller's code, so they take the long way.)
      auto [slot, inserted] = byKey_.try_emplace(folded, nullptr);
      if (!inserted) raiseError(err::DuplicateKey);
      try {
        auto node = std::make_shared<Node>(Node{item.deref(), std::move(folded)});
        items_.push_back(node);
        slot->second = std::move(node);
      } catch (...) {
        byKey_.erase(slot);
        throw;
      }
      return;
    }
    if (!folded.empty() && byKey_.count(folded)) raiseError(err::DuplicateKey);
  }
  size_t at = insertionPoint(before, after);
  auto node = std::make_shared<Node>(Node{item.deref(), folded});
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), node);
  if (!folded.empty()) byKey_.emplace(std::move(folded), std::move(node));
}

void Collection::reserve(size_t count) {
  items_.reserve(count);
  byKey_.reserve(count);
}

Variant Collection::Item(const Variant& index) const {
  if (index.isObject()) return Item(valueOf(index));
  const Variant& v = index.deref();
  if (isKeyArgument(v)) {
    auto it = byKey_.find(StringView(v.rawString()));
    if (it == byKey_.end()) raiseError(err::InvalidProcedureCall);
    return it->second->value;
  }
  return items_[positionOf(v)]->value;
}

void Collection::Remove(const Variant& index) {
  size_t pos = positionOf(index);
  if (!items_[pos]->foldedKey.empty()) byKey_.erase(items_[pos]->foldedKey);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(pos));
}

Ref<Object> Collection::NewEnum() const { return make<VectorEnumerator>(values()); }

bool Collection::hasKey(StringView key) const { return byKey_.find(key) != byKey_.end(); }

const Variant* Collection::find(StringView key) const {
  auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : &it->second->value;
}

const Variant& Collection::at(int32_t position) const {
  if (position < 1 || position > Count()) raiseError(err::SubscriptOutOfRange);
  return items_[static_cast<size_t>(position - 1)]->value;
}

std::vector<Variant> Collection::values() const {
  std::vector<Variant> out;
  out.reserve(items_.size());
  for (const auto& n : items_) out.push_back(n->value);
  return out;
}

void Collection::clear() {
  items_.clear();
  byKey_.clear();
}

const DispatchTable* Collection::dispatchTable() const {
  static const DispatchTable table = DispatchBuilder<Collection>(u"Collection")
                                         .method(u"Add", &Collection::Add, {.required = 1})
                                         .get(u"Count", &Collection::Count)
                                         .method(u"Item", &Collection::Item, {.id = DISPID_VALUE})
                                         .method(u"Remove", &Collection::Remove)
                                         .get(u"_NewEnum", &Collection::NewEnum, {.id = DISPID_NEWENUM, .hidden = true})
                                         .build();
  return &table;
}

}  // namespace lv8int
