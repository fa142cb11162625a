#include "sim/core/EventLoop.h"

#include <algorithm>

namespace sim {

int EventLoop::Watch(int fd, unsigned wanted, FdCallback callback) {
  const int id = nextId_++;
  watches_[id] = Watched{fd, wanted, std::move(callback)};
  WakeFromOtherThread();
  return id;
}

void EventLoop::SetWanted(int watchId, unsigned wanted) {
  auto found = watches_.find(watchId);
  if (found == watches_.end() || found->second.wanted == wanted) return;
  found->second.wanted = wanted;
  WakeFromOtherThread();
}

void EventLoop::Unwatch(int watchId) {
  if (watches_.erase(watchId) && !InLoopThread()) WaitUntilNotPolling();
}

void EventLoop::WaitUntilNotPolling() {
  std::unique_lock guard(pollStateLock_);
  if (!polling_) return;
  poller_.Wake();
  pollStateChanged_.wait(guard, [this] { return !polling_; });
}

int EventLoop::After(uint32_t delayMs, Task task) {
  return At(Clock::now() + std::chrono::milliseconds(delayMs), std::move(task));
}

int EventLoop::At(Clock::time_point when, Task task) {
  const int id = nextId_++;
  timers_[id] = {when, std::move(task)};
  timerOrder_.emplace(when, id);
  WakeFromOtherThread();
  return id;
}

void EventLoop::Cancel(int timerId) {
  auto found = timers_.find(timerId);
  if (found == timers_.end()) return;
  auto [first, last] = timerOrder_.equal_range(found->second.first);
  for (auto it = first; it != last; ++it) {
    if (it->second == timerId) {
      timerOrder_.erase(it);
      break;
    }
  }
  timers_.erase(found);
}

void EventLoop::RequestStop() {
  stopping_ = true;
  poller_.Wake();
}

void EventLoop::WakeFromOtherThread() {
  if (!InLoopThread()) poller_.Wake();
}

int EventLoop::TimeoutMs() const {
  if (timerOrder_.empty()) return -1;
  const Clock::time_point first = timerOrder_.begin()->first;
  const Clock::time_point now = Clock::now();
  if (first <= now) return 0;  // deferred work stands at the earliest time point
  const auto wait = first - now;
  // Round up so that a timer is never woken for a moment too early.
  return static_cast<int>(
      std::min<int64_t>(std::chrono::ceil<std::chrono::milliseconds>(wait).count(), 60'000));
}

void EventLoop::RunDueTimers() {
  const Clock::time_point now = Clock::now();
  // Timers added while running (deferred work included) wait for the next round.
  std::vector<int> due;
  for (auto it = timerOrder_.begin(); it != timerOrder_.end() && it->first <= now; ++it)
    due.push_back(it->second);
  for (int id : due) {
    auto found = timers_.find(id);
    if (found == timers_.end()) continue;  // cancelled by an earlier task
    Task task = std::move(found->second.second);
    Cancel(id);
    task();
  }
}

void EventLoop::Run() {
  {
    std::lock_guard guard(lock_);
    loopThread_ = std::this_thread::get_id();
  }
  std::vector<transport::PollEntry> entries;
  std::vector<int> ids;
  for (;;) {
    int timeout;
    {
      std::lock_guard guard(lock_);
      if (stopping_) break;
      entries.clear();
      ids.clear();
      for (const auto& [id, watched] : watches_) {
        entries.push_back({watched.fd, watched.wanted, 0});
        ids.push_back(id);
      }
      timeout = TimeoutMs();
      std::lock_guard pollState(pollStateLock_);
      polling_ = true;
    }
    poller_.Wait(entries, timeout);
    {
      std::lock_guard pollState(pollStateLock_);
      polling_ = false;
    }
    pollStateChanged_.notify_all();
    std::lock_guard guard(lock_);
    if (stopping_) break;
    RunDueTimers();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].ready == 0) continue;
      auto found = watches_.find(ids[i]);
      // A watch removed (or its descriptor replaced) during this round is skipped.
      if (found == watches_.end() || found->second.fd != entries[i].fd) continue;
      FdCallback callback = found->second.callback;
      callback(entries[i].ready);
    }
  }
  std::lock_guard guard(lock_);
  loopThread_ = {};
}

}  // namespace sim
