#include "platform/files/IWriteFaults.h"

#include <utility>

namespace lv8int::files {
namespace {

class NoFaults final : public IWriteFaults {
 public:
  int failure(WriteStep, StringView) override { return 0; }
};

thread_local IWriteFaults* replacement = nullptr;

}  // namespace

IWriteFaults& IWriteFaults::current() {
  static NoFaults none;
  return replacement ? *replacement : none;
}

IWriteFaults* IWriteFaults::exchangeCurrent(IWriteFaults* r) { return std::exchange(replacement, r); }

}  // namespace lv8int::files
