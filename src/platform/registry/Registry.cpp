#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/files/Files.h"

namespace lv8int {

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

void Registry::refresh(Hive& hive) {
  if (hive.path.empty() || hive.dirty) return;  // pending changes of a transaction are the truth
  Stamp now;
  struct stat st{};
  if (::stat(toUtf8(hive.path).c_str(), &st) == 0) {
    now.exists = true;
    now.dev = st.st_dev;
    now.ino = st.st_ino;
    now.size = static_cast<unsigned long long>(st.st_size);
    now.mtimeSec = static_cast<unsigned long long>(st.st_mtim.tv_sec);
    now.mtimeNsec = static_cast<unsigned long long>(st.st_mtim.tv_nsec);
  }
  if (hive.loadedOnce && now == hive.stamp) return;
  load(hive, now);
}

void Registry::load(Hive& hive, const Stamp& stamp) {
  hive.keys.clear();
  hive.unreadable.clear();
  hive.stamp = stamp;
  hive.loadedOnce = true;
  if (!stamp.exists) return;
  std::optional<std::string> bytes = files::readFile(hive.path);
  if (!bytes) {
    hive.unreadable = u"cannot be read";
    return;
  }
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
  hive.stamp = {};  // the next call reads the stamp of the file just written
  hive.loadedOnce = false;
  Stamp keep;
  struct stat st{};
  if (::stat(toUtf8(hive.path).c_str(), &st) == 0) {
    keep.exists = true;
    keep.dev = st.st_dev;
    keep.ino = st.st_ino;
    keep.size = static_cast<unsigned long long>(st.st_size);
    keep.mtimeSec = static_cast<unsigned long long>(st.st_mtim.tv_sec);
    keep.mtimeNsec = static_cast<unsigned long long>(st.st_mtim.tv_nsec);
    hive.stamp = keep;
    hive.loadedOnce = true;
  }
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
      refresh(hive);
      hive.joined = true;
      if (hive.path.empty()) hive.snapshot = regfile::write(hive.keys);
    }
    refuseUnreadable();
    bool changed = false;
    int32_t status = fn(changed);
    if (changed) hive.dirty = true;
    return status;
  }
  lock(hive);
  try {
    refresh(hive);
    refuseUnreadable();
    bool changed = false;
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
  out = it->second;
  return true;
}

reg::Handle Registry::newHandle(Location location) {
  while (nextHandle_ == 0 || reg::isRoot(nextHandle_) || open_.count(nextHandle_)) ++nextHandle_;
  reg::Handle h = nextHandle_++;
  open_.emplace(h, std::move(location));
  return h;
}

RegistryKey* Registry::keyOf(reg::Handle handle, int32_t& status) {
  Location loc;
  if (!locate(handle, loc)) {
    status = reg::ERROR_INVALID_HANDLE;
    return nullptr;
  }
  Hive& hive = hiveOf(loc.root);
  refresh(hive);
  RegistryKey* key = hive.keys.find(loc.root, loc.path);
  // A root always exists, even when nothing has been stored below it yet.
  status = key || loc.path.empty() ? reg::ERROR_SUCCESS : reg::ERROR_KEY_DELETED;
  return key;
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
