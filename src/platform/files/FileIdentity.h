#pragma once
// FileIdentity: what tells one state of a file from another without reading it: the device
// and inode (a file replaced by a rename is another file), the size and the modification time
// to the nanosecond (a file rewritten in place). A cache keyed by it asks for one stat per use.
#include <cstdint>
#include <optional>

#include "platform/automation/String.h"

namespace lv8int::files {

struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;

  bool operator==(const FileIdentity&) const = default;

  // The identity of the file at `path` (links followed); nothing when it cannot be stat'ed.
  static std::optional<FileIdentity> of(StringView path);
};

}  // namespace lv8int::files
