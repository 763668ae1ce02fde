#pragma once
// The keys of one hive file: the roots HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS.
// HKEY_CLASSES_ROOT is not a tree of its own: it names HKEY_LOCAL_MACHINE\SOFTWARE\Classes,
// so a file exported from either spelling lands in the same place.
#include <utility>
#include <vector>

#include "platform/registry/RegistryKey.h"

namespace lv8int {

class RegistryHive {
 public:
  RegistryHive();

  // The key at `path` below `root`, or null (also for a handle that is no root).
  RegistryKey* find(reg::Handle root, const std::vector<String>& path) const;
  // The key at `path`, created with every missing level; null for a handle that is no root or
  // a path beyond the platform's limits (a name over 255 characters, more than 512 levels).
  RegistryKey* create(reg::Handle root, const std::vector<String>& path);
  // Removes the key with everything below it; false when it was not there. A root itself
  // (including HKEY_CLASSES_ROOT) cannot be removed.
  bool remove(reg::Handle root, const std::vector<String>& path);

  // The tree of a true root (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS).
  RegistryKey& rootKey(reg::Handle root);
  const RegistryKey& rootKey(reg::Handle root) const;
  // The true roots in the order a file lists them.
  static const std::vector<reg::Handle>& trueRoots();

  // HKEY_CLASSES_ROOT\x -> HKEY_LOCAL_MACHINE\SOFTWARE\Classes\x; other roots unchanged.
  static std::pair<reg::Handle, std::vector<String>> canonical(reg::Handle root, std::vector<String> path);
  // True when the path is within the platform's limits.
  static bool validPath(const std::vector<String>& path);

  void clear();
  bool empty() const;

 private:
  RegistryKey machine_{u"HKEY_LOCAL_MACHINE"};
  RegistryKey user_{u"HKEY_CURRENT_USER"};
  RegistryKey users_{u"HKEY_USERS"};
};

}  // namespace lv8int
