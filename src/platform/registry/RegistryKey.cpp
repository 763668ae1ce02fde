#include "platform/registry/RegistryKey.h"

namespace lv8int {

RegistryKey::~RegistryKey() { clear(); }

RegistryKey* RegistryKey::child(StringView name) const {
  auto it = children_.find(foldCase(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::ensureChild(StringView name) {
  auto& slot = children_[foldCase(name)];
  if (!slot) slot = std::make_unique<RegistryKey>(String(name));
  return *slot;
}

bool RegistryKey::removeChild(StringView name) {
  auto it = children_.find(foldCase(name));
  if (it == children_.end()) return false;
  std::unique_ptr<RegistryKey> gone = std::move(it->second);
  children_.erase(it);
  return true;
}

std::vector<RegistryKey*> RegistryKey::children() const {
  std::vector<RegistryKey*> out;
  out.reserve(children_.size());
  for (const auto& [folded, key] : children_) out.push_back(key.get());
  return out;
}

const reg::Value* RegistryKey::value(StringView name) const {
  auto it = valueIndex_.find(name);
  return it == valueIndex_.end() ? nullptr : &values_[it->second];
}

void RegistryKey::setValue(reg::Value value) {
  auto it = valueIndex_.find(StringView(value.name));
  if (it != valueIndex_.end()) {
    reg::Value& v = values_[it->second];
    v.type = value.type;
    v.data = std::move(value.data);
    return;
  }
  values_.push_back(std::move(value));
  try {
    valueIndex_.emplace(values_.back().name, values_.size() - 1);
  } catch (...) {
    values_.pop_back();
    throw;
  }
}

bool RegistryKey::removeValue(StringView name) {
  auto it = valueIndex_.find(name);
  if (it == valueIndex_.end()) return false;
  size_t gone = it->second;
  valueIndex_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(gone));
  // Enumeration order is kept, so the values after the gone one move up by one.
  for (auto& [name, position] : valueIndex_)
    if (position > gone) --position;
  return true;
}

void RegistryKey::clear() {
  // Deep trees are taken apart iteratively so that destroying one cannot exhaust the stack.
  std::vector<std::unique_ptr<RegistryKey>> pending;
  for (auto& [folded, key] : children_) pending.push_back(std::move(key));
  children_.clear();
  values_.clear();
  valueIndex_.clear();
  while (!pending.empty()) {
    std::unique_ptr<RegistryKey> key = std::move(pending.back());
    pending.pop_back();
    for (auto& [folded, sub] : key->children_) pending.push_back(std::move(sub));
    key->children_.clear();
  }
}

}  // namespace lv8int
