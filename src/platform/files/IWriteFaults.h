#pragma once
// Fault injection for files::writeFileAtomically: lets a test make one step of an atomic write
// fail as the system would (a full disk during the write, a refused rename ...).
#include "platform/automation/String.h"

namespace lv8int::files {

enum class WriteStep { CreateFolder, Open, Write, Sync, Rename };

class IWriteFaults {
 public:
  virtual ~IWriteFaults() = default;
  // The errno value the step fails with, or 0 to let it run. A Write failure happens after
  // half of the bytes have reached the temporary file.
  virtual int failure(WriteStep step, StringView path) = 0;

  static IWriteFaults& current();
  static IWriteFaults* exchangeCurrent(IWriteFaults* replacement);
};

}  // namespace lv8int::files
