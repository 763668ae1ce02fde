#pragma once
// RemoteCaller: who a call that the middle-tier server runs is made for. While the server runs
// a call of a client's session on a thread, that thread's RemoteCaller names the session's
// user, so a component answers for that user and never for one a client names itself.
#include "platform/automation/String.h"

namespace lv8int {

class RemoteCaller {
 public:
  // True while the calling thread runs a call for a middle-tier session.
  static bool active() noexcept;
  // The session's user id; empty outside a session.
  static const String& userID() noexcept;

  // Makes `userID` the caller of the thread for the length of a scope.
  class Scope {
   public:
    explicit Scope(String userID);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    String previous_;
    bool wasActive_;
  };
};

}  // namespace lv8int
