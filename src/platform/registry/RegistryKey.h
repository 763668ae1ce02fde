#pragma once
// One key of a registry tree: named sub-keys (kept in case-insensitive name order, as the
// platform enumerates them) and values (kept in the order they were first set). Names are
// compared without regard to case and keep the spelling they were created with.
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/registry/RegistryTypes.h"

namespace lv8int {

class RegistryKey {
 public:
  explicit RegistryKey(String name = {}) : name_(std::move(name)) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&&) noexcept = default;
  RegistryKey& operator=(RegistryKey&&) noexcept = default;
  ~RegistryKey();

  const String& name() const noexcept { return name_; }

  RegistryKey* child(StringView name) const;
  // The sub-key of that name, created when missing.
  RegistryKey& ensureChild(StringView name);
  bool removeChild(StringView name);
  size_t childCount() const noexcept { return children_.size(); }
  // Sub-keys in enumeration order.
  std::vector<RegistryKey*> children() const;

  const std::vector<reg::Value>& values() const noexcept { return values_; }
  const reg::Value* value(StringView name) const;
  // Replaces the value of that name (in place, keeping the name's first spelling) or adds it.
  void setValue(reg::Value value);
  bool removeValue(StringView name);

  void clear();
  bool empty() const noexcept { return children_.empty() && values_.empty(); }

 private:
  String name_;
  std::map<String, std::unique_ptr<RegistryKey>> children_;  // by folded name
  std::vector<reg::Value> values_;
  // Position of each value in values_ by name, hashed without regard to case, so that reading
  // or setting a value costs the same in a key of ten values or of fifty thousand.
  std::unordered_map<String, size_t, NoCaseHash, NoCaseEqual> valueIndex_;
};

}  // namespace lv8int
