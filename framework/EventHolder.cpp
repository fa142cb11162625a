#include "framework/EventHolder.h"

#include <chrono>
#include <new>

Status EventHolder::Create() {
  Close();
  event_.reset(new (std::nothrow) Event);
  return event_ ? 0 : kNotCreated;
}

bool EventHolder::Set() {
  if (!event_) return false;
  {
    std::lock_guard<std::mutex> guard(event_->mutex);
    event_->set = true;
  }
  event_->signalled.notify_all();
  return true;
}

bool EventHolder::Reset() {
  if (!event_) return false;
  std::lock_guard<std::mutex> guard(event_->mutex);
  event_->set = false;
  return true;
}

bool EventHolder::Wait(uint32_t milliseconds) {
  if (!event_) return false;
  std::unique_lock<std::mutex> lock(event_->mutex);
  return event_->signalled.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return event_->set; });
}
