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
  for (const reg::Value& v : values_)
    if (equalsNoCase(v.name, name)) return &v;
  return nullptr;
}

void RegistryKey::setValue(reg::Value value) {
  for (reg::Value& v : values_) {
    if (equalsNoCase(v.name, value.name)) {
      v.type = value.type;
      v.data = std::move(value.data);
      return;
    }
  }
  values_.push_back(std::move(value));
}

bool RegistryKey::removeValue(StringView name) {
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (equalsNoCase(it->name, name)) {
      values_.erase(it);
      return true;
    }
  }
  return false;
}

void RegistryKey::clear() {
  // Deep trees are taken apart iteratively so that destroying one cannot exhaust the stack.
  std::vector<std::unique_ptr<RegistryKey>> pending;
  for (auto& [folded, key] : children_) pending.push_back(std::move(key));
  children_.clear();
  values_.clear();
  while (!pending.empty()) {
    std::unique_ptr<RegistryKey> key = std::move(pending.back());
    pending.pop_back();
    for (auto& [folded, sub] : key->children_) pending.push_back(std::move(sub));
    key->children_.clear();
  }
}

}  // namespace lv8int
