#include "platform/registry/SaveCounter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lv8int {

namespace {

constexpr char kMark[8] = {'L', 'V', '8', 'S', 'A', 'V', 'E', 'S'};
constexpr size_t kFileSize = 16;  // the mark, then the count

bool trusted(const struct stat& st, uid_t hiveOwner) {
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1) return false;
  if (st.st_uid != ::geteuid() && st.st_uid != 0 && st.st_uid != hiveOwner) return false;
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return false;
  return st.st_size >= static_cast<off_t>(kFileSize);
}

}  // namespace

SaveCounter::~SaveCounter() { detach(); }

void SaveCounter::detach() noexcept {
  if (mapping_) ::munmap(mapping_, kFileSize);
  mapping_ = nullptr;
  count_ = nullptr;
  writable_ = false;
  dev_ = 0;
  ino_ = 0;
}

bool SaveCounter::attach(const std::string& path, uid_t hiveOwner) {
  detach();
  // Not blocking: something else than a regular file in its place must not hold the reader.
  constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  bool writable = true;
  int fd = ::open(path.c_str(), O_RDWR | kFlags);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    writable = false;
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
  }
  if (fd < 0) return false;
  struct stat st{};
  const bool ok = ::fstat(fd, &st) == 0 && trusted(st, hiveOwner) && map(fd, writable);
  ::close(fd);
  if (!ok) return false;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  return true;
}

bool SaveCounter::map(int fd, bool writable) {
  void* m = ::mmap(nullptr, kFileSize, PROT_READ | (writable ? PROT_WRITE : 0), MAP_SHARED, fd, 0);
  if (m == MAP_FAILED) return false;
  if (std::memcmp(m, kMark, sizeof kMark) != 0) {
    ::munmap(m, kFileSize);
    return false;
  }
  mapping_ = m;
  count_ = reinterpret_cast<uint64_t*>(static_cast<char*>(m) + sizeof kMark);
  writable_ = writable;
  return true;
}

bool SaveCounter::stillAt(const std::string& path) const {
  struct stat st{};
  return attached() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == dev_ &&
         st.st_ino == ino_;
}

bool SaveCounter::replace(const std::string& path) {
  // A new file is made under a name of its own (never through a link) and renamed into
  // place, so no reader maps it before it carries its mark; renaming replaces a link or a
  // foreign file itself, never what it points to.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  char bytes[kFileSize];
  std::memcpy(bytes, kMark, sizeof kMark);
  const uint64_t start = 1;
  std::memcpy(bytes + sizeof kMark, &start, sizeof start);
  bool ok = ::write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes) && ::fchmod(fd, 0644) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

uint64_t SaveCounter::countSave(const std::string& path, uid_t hiveOwner) {
  if (!writable_ || !stillAt(path)) {
    if (!attach(path, hiveOwner) || !writable_) {
      if (!replace(path) || !attach(path, hiveOwner) || !writable_) {
        detach();
        return 0;
      }
    }
  }
  return __atomic_add_fetch(count_, 1, __ATOMIC_ACQ_REL);
}

}  // namespace lv8int
