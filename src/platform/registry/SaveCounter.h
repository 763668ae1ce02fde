#pragma once
// SaveCounter: the number of saves of a hive, shared by every process through a small file
// beside it ("<hive>.saves": eight bytes "LV8SAVES", then a native 64-bit count). A writer
// counts each save under the hive's write lock; a reader maps the file and compares the count
// with the one it loaded at, which costs one memory load and no system call.
//
// A counter file is only mapped when it cannot hurt a reader: a regular file (a link is not
// followed), with one name, owned by the reader, by the administrator or by the hive file's
// owner, writable by its owner alone, at least 16 bytes long and carrying the mark. Anyone
// else could stop the count (freezing readers on an old hive) or run it on (making every read
// load the hive again), or cut the file short under the mapping. A writer replaces a counter
// file that fails these checks with a fresh one, by renaming it into place.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace lv8int {

class SaveCounter {
 public:
  SaveCounter() = default;
  ~SaveCounter();
  SaveCounter(const SaveCounter&) = delete;
  SaveCounter& operator=(const SaveCounter&) = delete;

  // Maps the counter file at `path` when it passes the checks above; false (and nothing
  // mapped) otherwise. `hiveOwner` is the owner of the hive file (the reader's own user when
  // there is none).
  bool attach(const std::string& path, uid_t hiveOwner);
  void detach() noexcept;
  bool attached() const noexcept { return count_ != nullptr; }
  // The count; 0 when nothing is mapped.
  uint64_t value() const noexcept { return count_ ? __atomic_load_n(count_, __ATOMIC_ACQUIRE) : 0; }
  // The file at `path` is still the one mapped (it was not removed or replaced).
  bool stillAt(const std::string& path) const;

  // Counts a save (the caller holds the hive's write lock), making or replacing the file
  // when there is no usable one; the count after it, or 0 when no counter can be had (the
  // folder cannot be written, for one).
  uint64_t countSave(const std::string& path, uid_t hiveOwner);

 private:
  bool map(int fd, bool writable);
  bool replace(const std::string& path);

  uint64_t* count_ = nullptr;
  void* mapping_ = nullptr;
  bool writable_ = false;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
};

}  // namespace lv8int
