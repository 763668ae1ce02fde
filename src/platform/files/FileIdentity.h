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

  // The real-time clock in nanoseconds, as file times count.
  static int64_t clockNow();
  // False while the file was modified so shortly before `readStart` (clockNow() taken before
  // it was read) that a later change within the same tick of the file system's clock could
  // leave size and time unchanged: what was read from such a file is to be read again. File
  // times advance in ticks of a few milliseconds, or of whole seconds on file systems without
  // sub-second times (whose times all have 0 nanoseconds).
  bool settledBefore(int64_t readStart) const;
};

}  // namespace lv8int::files
