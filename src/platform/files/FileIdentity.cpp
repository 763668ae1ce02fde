#include "platform/files/FileIdentity.h"

#include <sys/stat.h>
#include <time.h>

#include <string>

namespace lv8int::files {

namespace {

FileIdentity fromStat(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

}  // namespace

std::optional<FileIdentity> FileIdentity::of(StringView path) {
  const std::string file = toUtf8(path);
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return fromStat(st);
}

int64_t FileIdentity::clockNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool FileIdentity::settledBefore(int64_t readStart) const {
  const int64_t tick = modifiedNanoseconds == 0 ? 2000000000 : 20000000;  // 2 s or 20 ms
  return modifiedSeconds * 1000000000 + modifiedNanoseconds + tick < readStart;
}

}  // namespace lv8int::files
