#pragma once
// MidTierSession: what the middle-tier server holds for one logged-in client: the user the
// login answered for and the objects made for the client, under ids only this session knows.
// The number of objects is bounded, so one client cannot take the server's memory.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"

namespace lv8int {

class MidTierSession {
 public:
  using Clock = std::chrono::steady_clock;

  MidTierSession(String userID, size_t maxObjects) : userID_(std::move(userID)), maxObjects_(maxObjects) {}

  const String& userID() const noexcept { return userID_; }

  // Keeps an object for the client: its id. 7 when the session holds as many as it may.
  uint64_t hold(const Ref<Object>& obj);
  // The object under `id`; 424 for an id the session does not hold.
  Ref<Object> find(uint64_t id) const;
  // Lets go of an object (an unknown id is ignored: a release may come twice).
  Ref<Object> release(uint64_t id);
  // Every object, for the caller to let go of outside any lock.
  std::vector<Ref<Object>> releaseAll();
  size_t objectCount() const;

  // Calls of one session run one at a time, as they would on the client's single thread.
  std::mutex& callMutex() noexcept { return callMutex_; }

  // Use, for the idle time-out: a session is idle while no call runs and none came lately.
  void begin() noexcept;
  void end() noexcept;
  bool idleSince(Clock::time_point limit) const noexcept;

 private:
  String userID_;
  size_t maxObjects_;
  mutable std::mutex mutex_;
  std::unordered_map<uint64_t, Ref<Object>> objects_;
  uint64_t nextID_ = 1;
  std::mutex callMutex_;
  std::atomic<int> running_{0};
  std::atomic<Clock::rep> lastUsed_{Clock::now().time_since_epoch().count()};
};

}  // namespace lv8int
