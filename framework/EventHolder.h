#pragma once
// Holds a manual-reset event of this process: once Set it stays signalled,
// releasing every waiter, until Reset. Created non-signalled.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "framework/Status.h"

class EventHolder {
public:
  static constexpr Status kNotCreated = 0x3000019C;  // the event could not be created

  EventHolder() = default;
  virtual ~EventHolder() = default;
  EventHolder(const EventHolder&) = delete;
  EventHolder& operator=(const EventHolder&) = delete;

  // Closes any previous event, then creates a new one: 0 or kNotCreated.
  Status Create();
  void Close() { event_.reset(); }
  bool IsCreated() const { return event_ != nullptr; }

  // Signal and unsignal; false when no event is held.
  bool Set();
  bool Reset();
  // Waits up to the given milliseconds for the signal; true when signalled.
  bool Wait(uint32_t milliseconds);

private:
  struct Event {
    std::mutex mutex;
    std::condition_variable signalled;
    bool set = false;
  };
  std::unique_ptr<Event> event_;
};
