#pragma once
// FileLock: an exclusive lock between processes on "<file>.lock" beside a file, held for the
// lifetime of the object, so that read-merge-write cycles of one file by several processes
// happen one after another. The lock file stays (removing it would let two writers lock two
// different files of one name).
#include "platform/automation/String.h"

namespace lv8int::files {

class FileLock {
 public:
  // Waits for the lock. Raises 70 (see refuseLinksOfOthers) for a path through a link someone
  // else could have planted, before anything is made. When the lock file cannot be opened (a read-only folder, a folder that
  // cannot be made) the object holds no lock: the write that follows fails on its own and
  // names the file.
  explicit FileLock(StringView file);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const noexcept { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace lv8int::files
