#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

#include "platform/automation/AutomationError.h"
#include "platform/files/Files.h"

namespace lv8int {

namespace {

// Saves of any hive by any registry of this process: a registry that sees the number change
// looks at its files again at once, so that two registries of one process never disagree.
std::atomic<uint64_t> savesInProcess{0};

// How long a look at a hive file holds without a shared save counter: a stat call per read
// would cost far more than the read itself. Changes by other processes are then seen within
// this time (plus a clock tick).
constexpr uint64_t kRecheckMilliseconds = 10;
// With a counter, saves by other registries are seen at once; the file is still looked at
// this often for programs that replace it without counting (an older library, an editor).
constexpr uint64_t kCountedRecheckMilliseconds = 250;

uint64_t coarseMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace

Registry::Stamp Registry::stampOf(const String& path) {
  Stamp stamp;
  struct stat st{};
  if (::stat(toUtf8(path).c_str(), &st) == 0) {
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = static_cast<unsigned long long>(st.st_size);
    stamp.mtimeSec = static_cast<unsigned long long>(st.st_mtim.tv_sec);
    stamp.mtimeNsec = static_cast<unsigned long long>(st.st_mtim.tv_nsec);
    stamp.uid = st.st_uid;
  }
  return stamp;
}

std::string Registry::counterPathOf(const Hive& hive) { return toUtf8(hive.path) + ".saves"; }

unsigned Registry::ownerOf(const Hive& hive) { return hive.stamp.exists ? hive.stamp.uid : ::geteuid(); }

namespace {

String envPath(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? fromUtf8(v) : String();
}

}  // namespace

Registry::Registry(String machineHivePath, String userHivePath) {
  machine_.path = std::move(machineHivePath);
  user_.path = std::move(userHivePath);
}

Registry::~Registry() {
  unlock(machine_);
  unlock(user_);
}

String Registry::defaultMachineHivePath() {
  String p = envPath("LV8INT_REGISTRY");
  return p.empty() ? String(u"/etc/lv8int/registry.reg") : p;
}

String Registry::defaultUserHivePath() {
  String base = envPath("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != u'/') {
    String home = envPath("HOME");
    if (home.empty()) {
      if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = fromUtf8(pw->pw_dir);
    }
    base = home + u"/.config";
  }
  return files::withTrailingSeparator(base) + u"lv8int/registry.reg";
}

void Registry::refresh(Hive& hive, bool force) {
  if (hive.path.empty() || hive.dirty) return;  // pending changes of a transaction are the truth
  const uint64_t saves = savesInProcess.load(std::memory_order_acquire);
  const uint64_t now = coarseMilliseconds();
  if (!force && hive.loadedOnce && saves == hive.savesSeen) {
    // The usual read: one load of the shared count, no system call.
    if (hive.counter.attached()) {
      if (hive.counter.value() == hive.countSeen && now - hive.checkedAt < kCountedRecheckMilliseconds) return;
    } else if (now - hive.checkedAt < kRecheckMilliseconds) {
      return;
    }
  }
  hive.savesSeen = saves;
  hive.checkedAt = now;
  // The counter file may have appeared, been replaced or gone since the last look.
  const std::string counterPath = counterPathOf(hive);
  const bool counted = hive.counter.stillAt(counterPath) || hive.counter.attach(counterPath, ownerOf(hive));
  if (!counted) hive.counter.detach();
  const bool followed = counted && hive.countSeen != 0;
  // The count is taken before the file is looked at: a save after this is seen next time.
  const uint64_t count = hive.counter.value();
  Stamp stamp = stampOf(hive.path);
  // A changed count means a save even when the file looks the same (a new file can get the
  // old one's inode, size and time stamp).
  const bool saved = followed && count != hive.countSeen;
  hive.countSeen = count;
  if (hive.loadedOnce && stamp == hive.stamp && !saved) return;
  load(hive, stamp);
}

Registry::HiveStatus Registry::hiveStatus(reg::Handle root) {
  std::lock_guard guard(mutex_);
  Hive& hive = hiveOf(root);
  refresh(hive);
  return {hive.counter.attached(), hive.loads};
}

void Registry::load(Hive& hive, const Stamp& stamp) {
  hive.keys.clear();
  ++hive.generation;
  hive.unreadable.clear();
  hive.stamp = stamp;
  hive.loadedOnce = true;
  ++hive.loads;
  if (!stamp.exists) return;
  std::optional<std::string> bytes = files::readFile(hive.path);
  if (!bytes) {
    hive.unreadable = u"cannot be read";
    return;
  }
  if (bytes->empty()) return;  // an empty file is an empty hive (the first save gives it a header)
  try {
    regfile::apply(regfile::parse(*bytes).operations, hive.keys);
  } catch (const AutomationError& e) {
    hive.keys.clear();
    hive.unreadable = e.description();
  }
}

void Registry::save(Hive& hive) {
  if (hive.path.empty()) return;
  files::writeFileAtomically(hive.path, regfile::write(hive.keys));
  savesInProcess.fetch_add(1, std::memory_order_acq_rel);
  hive.stamp = stampOf(hive.path);
  hive.loadedOnce = hive.stamp.exists;
  // Counted after the file is in place, so a reader that sees the count sees the file. The
  // count this registry made is one it has seen.
  const uint64_t count = hive.counter.countSave(counterPathOf(hive), ownerOf(hive));
  hive.countSeen = hive.counter.attached() ? count : 0;
}

void Registry::lock(Hive& hive) {
  if (hive.path.empty() || hive.lockFd >= 0) return;
  files::createFolderPath(files::folderOf(hive.path));
  std::string lockPath = toUtf8(hive.path) + ".lock";
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;  // no lock to be had: the save itself reports why the folder is not writable
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  hive.lockFd = fd;
}

void Registry::unlock(Hive& hive) {
  if (hive.lockFd < 0) return;
  ::flock(hive.lockFd, LOCK_UN);
  ::close(hive.lockFd);
  hive.lockFd = -1;
}

int32_t Registry::change(Hive& hive, const std::function<int32_t(bool&)>& fn) {
  std::lock_guard guard(mutex_);
  auto refuseUnreadable = [&] {
    if (!hive.unreadable.empty())
      raiseError(err::PathFileAccess, kDefaultErrorSource,
                 u"The registry file " + hive.path + u" " + hive.unreadable + u"; it is left unchanged");
  };
  if (transactionDepth_ > 0) {
    if (!hive.joined) {
      lock(hive);
      refresh(hive, true);
      hive.joined = true;
      if (hive.path.empty()) hive.snapshot = regfile::write(hive.keys);
    }
    refuseUnreadable();
    bool changed = false;
    ++hive.generation;
    int32_t status = fn(changed);
    if (changed) hive.dirty = true;
    return status;
  }
  lock(hive);
  try {
    refresh(hive, true);
    refuseUnreadable();
    bool changed = false;
    ++hive.generation;
    int32_t status = fn(changed);
    if (changed) save(hive);
    unlock(hive);
    return status;
  } catch (...) {
    hive.loadedOnce = false;  // what is on disk is the truth again
    refresh(hive);
    unlock(hive);
    throw;
  }
}

void Registry::transaction(const std::function<void()>& work) {
  std::lock_guard guard(mutex_);
  Hive* hives[] = {&machine_, &user_};
  auto finish = [&](bool keep) {
    std::exception_ptr failure;
    for (Hive* h : hives) {
      if (!h->joined) continue;
      if (keep && h->dirty && !failure) {
        try {
          save(*h);
        } catch (...) {
          failure = std::current_exception();
        }
      }
      if (!keep || failure) {
        if (h->path.empty()) {
          h->keys.clear();
          ++h->generation;
          regfile::apply(regfile::parse(h->snapshot).operations, h->keys);
        } else {
          h->dirty = false;
          h->loadedOnce = false;
          refresh(*h);
        }
      }
      h->dirty = false;
      h->joined = false;
      h->snapshot.clear();
      unlock(*h);
    }
    if (failure) std::rethrow_exception(failure);
  };
  ++transactionDepth_;
  try {
    work();
  } catch (...) {
    if (--transactionDepth_ == 0) finish(false);
    throw;
  }
  if (--transactionDepth_ == 0) finish(true);
}

bool Registry::locate(reg::Handle handle, Location& out) const {
  if (reg::isRoot(handle)) {
    out = {handle, {}};
    return true;
  }
  auto it = open_.find(handle);
  if (it == open_.end()) return false;
  out = {it->second.root, it->second.path};  // without the key it found: callers go below it
  return true;
}

reg::Handle Registry::newHandle(Location location) {
  while (nextHandle_ == 0 || reg::isRoot(nextHandle_) || open_.count(nextHandle_)) ++nextHandle_;
  reg::Handle h = nextHandle_++;
  open_.emplace(h, std::move(location));
  return h;
}

RegistryKey* Registry::keyOf(reg::Handle handle, int32_t& status) {
  Location rootLocation;
  Location* loc = &rootLocation;
  if (reg::isRoot(handle)) {
    rootLocation.root = handle;
  } else {
    auto it = open_.find(handle);
    if (it == open_.end()) {
      status = reg::ERROR_INVALID_HANDLE;
      return nullptr;
    }
    loc = &it->second;
  }
  Hive& hive = hiveOf(loc->root);
  refresh(hive);
  if (loc->generation != hive.generation) {
    loc->key = hive.keys.find(loc->root, loc->path);
    loc->generation = hive.generation;
  }
  // A root always exists, even when nothing has been stored below it yet.
  status = loc->key || loc->path.empty() ? reg::ERROR_SUCCESS : reg::ERROR_KEY_DELETED;
  return loc->key;
}

int32_t Registry::openKey(reg::Handle parent, StringView subKey, reg::Handle& result) {
  std::lock_guard guard(mutex_);
  Location loc;
  if (!locate(parent, loc)) return reg::ERROR_INVALID_HANDLE;
  std::vector<String> parts = reg::splitPath(subKey);
  if (reg::isRoot(parent) && parts.empty()) {
    result = parent;
    return reg::ERROR_SUCCESS;
  }
  loc.path.insert(loc.path.end(), parts.begin(), parts.end());
  Hive& hive = hiveOf(loc.root);
  refresh(hive);
  if (!loc.path.empty() && !hive.keys.find(loc.root, loc.path)) return reg::ERROR_FILE_NOT_FOUND;
  result = newHandle(std::move(loc));
  return reg::ERROR_SUCCESS;
}

int32_t Registry::createKey(reg::Handle parent, StringView subKey, reg::Handle& result) {
  std::lock_guard guard(mutex_);
  Location loc;
  if (!locate(parent, loc)) return reg::ERROR_INVALID_HANDLE;
  std::vector<String> parts = reg::splitPath(subKey);
  if (reg::isRoot(parent) && parts.empty()) {
    result = parent;
    return reg::ERROR_SUCCESS;
  }
  loc.path.insert(loc.path.end(), parts.begin(), parts.end());
  if (!RegistryHive::validPath(RegistryHive::canonical(loc.root, loc.path).second)) return reg::ERROR_INVALID_PARAMETER;
  Hive& hive = hiveOf(loc.root);
  int32_t status = change(hive, [&](bool& changed) {
    if (hive.keys.find(loc.root, loc.path)) return reg::ERROR_SUCCESS;
    if (!hive.keys.create(loc.root, loc.path)) return reg::ERROR_INVALID_PARAMETER;
    changed = true;
    return reg::ERROR_SUCCESS;
  });
  if (status == reg::ERROR_SUCCESS) result = newHandle(std::move(loc));
  return status;
}

int32_t Registry::closeKey(reg::Handle key) {
  std::lock_guard guard(mutex_);
  if (reg::isRoot(key)) return reg::ERROR_SUCCESS;
  return open_.erase(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
}

int32_t Registry::getValue(reg::Handle key, StringView name, reg::Value& result) {
  std::lock_guard guard(mutex_);
  int32_t status;
  RegistryKey* k = keyOf(key, status);
  if (status != reg::ERROR_SUCCESS) return status;
  const reg::Value* v = k ? k->value(name) : nullptr;
  if (!v) return reg::ERROR_FILE_NOT_FOUND;
  result = *v;
  return reg::ERROR_SUCCESS;
}

int32_t Registry::enumValue(reg::Handle key, uint32_t index, reg::Value& result) {
  std::lock_guard guard(mutex_);
  int32_t status;
  RegistryKey* k = keyOf(key, status);
  if (status != reg::ERROR_SUCCESS) return status;
  if (!k || index >= k->values().size()) return reg::ERROR_NO_MORE_ITEMS;
  result = k->values()[index];
  return reg::ERROR_SUCCESS;
}

int32_t Registry::enumKey(reg::Handle key, uint32_t index, String& name) {
  std::lock_guard guard(mutex_);
  int32_t status;
  RegistryKey* k = keyOf(key, status);
  if (status != reg::ERROR_SUCCESS) return status;
  if (!k || index >= k->childCount()) return reg::ERROR_NO_MORE_ITEMS;
  name = k->children()[index]->name();
  return reg::ERROR_SUCCESS;
}

int32_t Registry::setValue(reg::Handle key, const reg::Value& value) {
  std::lock_guard guard(mutex_);
  Location loc;
  if (!locate(key, loc)) return reg::ERROR_INVALID_HANDLE;
  if (value.name.size() > reg::kMaxValueNameLength) return reg::ERROR_INVALID_PARAMETER;
  Hive& hive = hiveOf(loc.root);
  return change(hive, [&](bool& changed) {
    RegistryKey* k = loc.path.empty() ? hive.keys.create(loc.root, {}) : hive.keys.find(loc.root, loc.path);
    if (!k) return reg::ERROR_KEY_DELETED;
    k->setValue(value);
    changed = true;
    return reg::ERROR_SUCCESS;
  });
}

int32_t Registry::deleteValue(reg::Handle key, StringView name) {
  std::lock_guard guard(mutex_);
  Location loc;
  if (!locate(key, loc)) return reg::ERROR_INVALID_HANDLE;
  Hive& hive = hiveOf(loc.root);
  return change(hive, [&](bool& changed) {
    RegistryKey* k = hive.keys.find(loc.root, loc.path);
    if (!k) return loc.path.empty() ? reg::ERROR_FILE_NOT_FOUND : reg::ERROR_KEY_DELETED;
    if (!k->removeValue(name)) return reg::ERROR_FILE_NOT_FOUND;
    changed = true;
    return reg::ERROR_SUCCESS;
  });
}

int32_t Registry::deleteKey(reg::Handle parent, StringView subKey) {
  std::lock_guard guard(mutex_);
  Location loc;
  if (!locate(parent, loc)) return reg::ERROR_INVALID_HANDLE;
  std::vector<String> parts = reg::splitPath(subKey);
  if (parts.empty()) return reg::ERROR_INVALID_PARAMETER;
  loc.path.insert(loc.path.end(), parts.begin(), parts.end());
  Hive& hive = hiveOf(loc.root);
  return change(hive, [&](bool& changed) {
    if (!hive.keys.remove(loc.root, loc.path)) return reg::ERROR_FILE_NOT_FOUND;
    changed = true;
    return reg::ERROR_SUCCESS;
  });
}

}  // namespace lv8int
