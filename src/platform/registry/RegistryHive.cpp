#include "platform/registry/RegistryHive.h"

namespace lv8int {

RegistryHive::RegistryHive() = default;

const std::vector<reg::Handle>& RegistryHive::trueRoots() {
  static const std::vector<reg::Handle> roots{reg::HKEY_LOCAL_MACHINE, reg::HKEY_USERS, reg::HKEY_CURRENT_USER};
  return roots;
}

RegistryKey& RegistryHive::rootKey(reg::Handle root) {
  return const_cast<RegistryKey&>(static_cast<const RegistryHive*>(this)->rootKey(root));
}

const RegistryKey& RegistryHive::rootKey(reg::Handle root) const {
  switch (root) {
    case reg::HKEY_CURRENT_USER: return user_;
    case reg::HKEY_USERS: return users_;
    default: return machine_;
  }
}

std::pair<reg::Handle, std::vector<String>> RegistryHive::canonical(reg::Handle root, std::vector<String> path) {
  if (root != reg::HKEY_CLASSES_ROOT) return {root, std::move(path)};
  std::vector<String> full{u"SOFTWARE", u"Classes"};
  full.insert(full.end(), std::make_move_iterator(path.begin()), std::make_move_iterator(path.end()));
  return {reg::HKEY_LOCAL_MACHINE, std::move(full)};
}

bool RegistryHive::validPath(const std::vector<String>& path) {
  if (path.size() > reg::kMaxKeyDepth) return false;
  for (const String& c : path)
    if (c.size() > reg::kMaxKeyNameLength) return false;
  return true;
}

RegistryKey* RegistryHive::find(reg::Handle root, const std::vector<String>& path) const {
  if (!reg::isRoot(root)) return nullptr;
  auto [r, p] = canonical(root, path);
  RegistryKey* key = const_cast<RegistryKey*>(&rootKey(r));
  for (const String& name : p) {
    key = key->child(name);
    if (!key) return nullptr;
  }
  return key;
}

RegistryKey* RegistryHive::create(reg::Handle root, const std::vector<String>& path) {
  if (!reg::isRoot(root)) return nullptr;
  auto [r, p] = canonical(root, path);
  if (!validPath(p)) return nullptr;
  RegistryKey* key = &rootKey(r);
  for (const String& name : p) key = &key->ensureChild(name);
  return key;
}

bool RegistryHive::remove(reg::Handle root, const std::vector<String>& path) {
  if (!reg::isRoot(root) || path.empty()) return false;
  auto [r, p] = canonical(root, path);
  RegistryKey* parent = &rootKey(r);
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    parent = parent->child(p[i]);
    if (!parent) return false;
  }
  return parent->removeChild(p.back());
}

void RegistryHive::clear() {
  machine_.clear();
  user_.clear();
  users_.clear();
}

bool RegistryHive::empty() const { return machine_.empty() && user_.empty() && users_.empty(); }

}  // namespace lv8int
