#pragma once
// A named lock shared by every thread and process that uses the same name
// (see platform/NamedSharedMutex.h for how names map to system objects). The
// owning thread may lock it again; each Lock needs one Unlock. A lock whose
// owner died is obtained as "abandoned", which counts as success.
#include <cstdint>
#include <string>

#include "framework/Status.h"

class NamedSharedMutex;

class Mutex {
public:
  static constexpr Status kNotCreated = 0x3000019F;  // the lock object could not be created
  static constexpr Status kTimedOut = 0x300001A1;    // not obtained within the time-out
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;

  Mutex() = default;
  // Creates the lock at once when the name is not empty.
  explicit Mutex(const std::wstring& name);
  virtual ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // The lock name of a device stream: "Global\\" and the upper-case form of
  // "Vantorix:DS:" + the stream's ID string (e.g. Global\VANTORIX:DS:RS232:COM3).
  static std::wstring StreamLockName(const std::wstring& idString);

  virtual std::wstring GetName() const { return name_; }
  // Names the lock without creating it (Lock creates it); a held handle of
  // another name is closed first.
  void SetName(const std::wstring& name);
  // Closes any handle, then creates the lock of this name: 0 or kNotCreated.
  Status Create(const std::wstring& name);
  // Drops the handle. A lock the calling thread still holds stays held until
  // that thread unlocks it through another handle, or ends (then abandoned).
  Status Close();
  bool IsCreated() const { return handle_ != nullptr; }
  // The system error of the last failed creation (0 when none).
  int CreationError() const { return creationError_; }

  // Waits up to the given milliseconds (kInfinite: no limit). Creates the lock
  // first when it is named but not created. 0 when obtained (also when
  // abandoned), kTimedOut, kNotCreated, or the system error code.
  Status Lock(uint32_t milliseconds);
  // As Lock, for a time-out in seconds (truncated to whole milliseconds).
  Status LockSeconds(double seconds);
  // 0, or the system error (the calling thread does not hold it, not created).
  Status Unlock();
  // Whether the last successful Lock obtained an abandoned lock.
  bool LastLockAbandoned() const { return lastLockAbandoned_; }

private:
  std::wstring name_;
  NamedSharedMutex* handle_ = nullptr;
  int creationError_ = 0;
  bool lastLockAbandoned_ = false;
};
