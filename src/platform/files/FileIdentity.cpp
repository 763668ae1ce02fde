#include "platform/files/FileIdentity.h"

#include <sys/stat.h>

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

}  // namespace lv8int::files
