#include "platform/files/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/Files.h"

namespace lv8int::files {

FileLock::FileLock(StringView file) {
  const String path = resolve(file);
  refuseLinksOfOthers(path);  // nothing is made through a link someone else planted
  createFolderPath(folderOf(path));
  // Read access is enough for flock, so a lock file made by another user still serves; a link
  // in its place is not followed.
  const std::string lockPath = toUtf8(path) + ".lock";
  fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the lock
}

}  // namespace lv8int::files
