#pragma once
// The registry over hive files in the .reg text format:
//   machine hive  HKEY_LOCAL_MACHINE (with HKEY_CLASSES_ROOT = HKLM\SOFTWARE\Classes) and
//                 HKEY_USERS: /etc/lv8int/registry.reg, or the file LV8INT_REGISTRY names;
//   user hive     HKEY_CURRENT_USER: $XDG_CONFIG_HOME/lv8int/registry.reg (~/.config when
//                 XDG_CONFIG_HOME is not set).
// A hive changed on disk is read again before the next call. Saves are counted in a file
// beside the hive (SaveCounter) that every registry maps: a read compares the count with the
// one it loaded at and reads the file again at once when another registry has saved since.
// The file itself is looked at after a save in this process, and otherwise every 250 ms (an
// edit by a program that does not count its saves), or every 10 ms when there is no counter
// this process can trust. Every change
// is saved at once (a transaction saves once at its end) by an atomic replacement of the file,
// under an advisory lock ("<hive>.lock") so that two processes do not lose each other's
// changes. A hive with an empty path lives in memory only.
#include <mutex>
#include <unordered_map>

#include "platform/registry/IRegistry.h"
#include "platform/registry/RegistryHive.h"
#include "platform/registry/SaveCounter.h"

namespace lv8int {

class Registry : public IRegistry {
 public:
  Registry(String machineHivePath, String userHivePath);
  ~Registry() override;

  static String defaultMachineHivePath();
  static String defaultUserHivePath();
  const String& machineHivePath() const noexcept { return machine_.path; }
  const String& userHivePath() const noexcept { return user_.path; }

  int32_t openKey(reg::Handle parent, StringView subKey, reg::Handle& result) override;
  int32_t createKey(reg::Handle parent, StringView subKey, reg::Handle& result) override;
  int32_t closeKey(reg::Handle key) override;
  int32_t getValue(reg::Handle key, StringView name, reg::Value& result) override;
  int32_t enumValue(reg::Handle key, uint32_t index, reg::Value& result) override;
  int32_t enumKey(reg::Handle key, uint32_t index, String& name) override;
  int32_t setValue(reg::Handle key, const reg::Value& value) override;
  int32_t deleteValue(reg::Handle key, StringView name) override;
  int32_t deleteKey(reg::Handle parent, StringView subKey) override;
  void transaction(const std::function<void()>& work) override;

  // For diagnostics and tests: whether the hive of `root` follows a shared save counter, and
  // how many times it has been read from its file.
  struct HiveStatus {
    bool sharedCounter = false;
    uint64_t loads = 0;
  };
  HiveStatus hiveStatus(reg::Handle root);

 private:
  struct Stamp {
    bool exists = false;
    unsigned long long dev = 0, ino = 0, size = 0, mtimeSec = 0, mtimeNsec = 0;
    unsigned uid = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Hive {
    String path;  // empty: in memory only
    RegistryHive keys;
    Stamp stamp;
    bool loadedOnce = false;
    uint64_t checkedAt = 0;  // coarse clock, milliseconds, of the last look at the file
    uint64_t savesSeen = 0;  // saves in this process at that look
    SaveCounter counter;     // saves by every process, when a counter file can be trusted
    uint64_t countSeen = 0;  // the count the keys were read (or saved) at
    uint64_t loads = 0;
    uint64_t generation = 1; // changes whenever the keys may have changed
    String unreadable;  // why the file could not be read; empty when it could
    int lockFd = -1;
    bool joined = false;    // takes part in the running transaction
    bool dirty = false;     // changed in the running transaction
    std::string snapshot;   // an in-memory hive as the transaction found it
  };
  struct Location {
    reg::Handle root;
    std::vector<String> path;
    RegistryKey* key = nullptr;  // the key, while `generation` is its hive's
    uint64_t generation = 0;
  };

  Hive& hiveOf(reg::Handle root) { return root == reg::HKEY_CURRENT_USER ? user_ : machine_; }
  // Reads the file again when it changed; `force` looks at it even when it was just looked at.
  void refresh(Hive& hive, bool force = false);
  void load(Hive& hive, const Stamp& stamp);
  static Stamp stampOf(const String& path);
  static std::string counterPathOf(const Hive& hive);
  static unsigned ownerOf(const Hive& hive);
  void save(Hive& hive);
  void lock(Hive& hive);
  void unlock(Hive& hive);
  // Runs a change of `hive`: lock, read again, change, save, unlock (or, in a transaction,
  // only mark the hive for saving at its end). A failing save restores the hive from disk.
  int32_t change(Hive& hive, const std::function<int32_t(bool& changed)>& fn);

  bool locate(reg::Handle handle, Location& out) const;
  reg::Handle newHandle(Location location);
  // The key a handle names; null with a status when there is none.
  RegistryKey* keyOf(reg::Handle handle, int32_t& status);

  std::recursive_mutex mutex_;
  Hive machine_, user_;
  std::unordered_map<reg::Handle, Location> open_;
  reg::Handle nextHandle_ = 1;
  int transactionDepth_ = 0;
};

}  // namespace lv8int
