#include "platform/components/MidTierSession.h"

#include "platform/automation/AutomationError.h"

namespace lv8int {

uint64_t MidTierSession::hold(const Ref<Object>& obj) {
  std::lock_guard lock(mutex_);
  if (objects_.size() >= maxObjects_)
    raiseError(err::OutOfMemory, kDefaultErrorSource,
               standardDescription(err::OutOfMemory) + u": the session holds " + toString(static_cast<long long>(maxObjects_)) +
                   u" objects, as many as the middle-tier server keeps for one client");
  const uint64_t id = nextID_++;
  objects_.emplace(id, obj);
  return id;
}

Ref<Object> MidTierSession::find(uint64_t id) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(id);
  if (it == objects_.end())
    raiseError(err::ObjectRequired, kDefaultErrorSource,
               standardDescription(err::ObjectRequired) + u": the middle-tier server holds no such object for this session");
  return it->second;
}

Ref<Object> MidTierSession::release(uint64_t id) {
  std::lock_guard lock(mutex_);
  auto it = objects_.find(id);
  if (it == objects_.end()) return {};
  Ref<Object> obj = std::move(it->second);
  objects_.erase(it);
  return obj;
}

std::vector<Ref<Object>> MidTierSession::releaseAll() {
  std::lock_guard lock(mutex_);
  std::vector<Ref<Object>> all;
  all.reserve(objects_.size());
  for (auto& [id, obj] : objects_) all.push_back(std::move(obj));
  objects_.clear();
  return all;
}

size_t MidTierSession::objectCount() const {
  std::lock_guard lock(mutex_);
  return objects_.size();
}

void MidTierSession::begin() noexcept {
  ++running_;
  lastUsed_ = Clock::now().time_since_epoch().count();
}

void MidTierSession::end() noexcept {
  lastUsed_ = Clock::now().time_since_epoch().count();
  --running_;
}

bool MidTierSession::idleSince(Clock::time_point limit) const noexcept {
  return running_ == 0 && lastUsed_.load() < limit.time_since_epoch().count();
}

}  // namespace lv8int
