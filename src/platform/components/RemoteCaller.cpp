#include "platform/components/RemoteCaller.h"

namespace lv8int {

namespace {
thread_local bool callerActive = false;
thread_local String callerUser;
}  // namespace

bool RemoteCaller::active() noexcept { return callerActive; }

const String& RemoteCaller::userID() noexcept { return callerUser; }

RemoteCaller::Scope::Scope(String userID) : previous_(std::move(callerUser)), wasActive_(callerActive) {
  callerUser = std::move(userID);
  callerActive = true;
}

RemoteCaller::Scope::~Scope() {
  callerUser = std::move(previous_);
  callerActive = wasActive_;
}

}  // namespace lv8int
