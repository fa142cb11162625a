#pragma once
// A system-wide lock known by name: a process-shared, robust, recursive
// pthread mutex in a POSIX shared-memory object. Every process (and every
// thread) that opens the same name shares one lock; the owning thread may
// take it again and needs one Unlock per Lock. When the owner dies (process
// killed, thread ended) while holding it, the next locker obtains it as
// "abandoned" and the lock is made consistent again.
//
// Object names: "/swmatrix." followed by the UTF-8 lock name in which every
// byte other than letters, digits and ". _ - : @ + , =" is written as "%XX"
// (so "Global\VANTORIX:DS:RS232:COM1" is "/swmatrix.Global%5CVANTORIX:DS:RS232:COM1",
// found as /dev/shm/swmatrix.Global%5C...). Names longer than 200 characters
// keep their first 183 characters, "~" and a 64-bit hash of the whole name.
// $SWMATRIX_LOCK_PREFIX, when set, is put in front of every lock name before
// it is encoded, so that independent benches (or test runs) on one machine
// never share a lock: with the prefix "bench2:" the lock above is the object
// "/swmatrix.bench2:Global%5CVANTORIX:DS:RS232:COM1".
//
// The objects belong to the account that created them (mode 0600). With
// $SWMATRIX_LOCK_GROUP (a group's name or number) they are created for that
// group (mode 0660), and objects of that group are used too. An object that
// exists with another owner (and not shared through the group) is refused
// with EACCES at once: it is never waited on.
//
// The objects are never unlinked by the module: a process that opened a name
// must keep meeting the same lock as every later opener, and unlinking while
// another process maps it would let the next opener create a second, separate
// lock. They are one page each and vanish at reboot (tmpfs); Remove exists for
// tests and administrators, for names that no process uses any more.
#include <cstdint>
#include <string>
#include <utility>

class NamedSharedMutex {
public:
  enum class Result { Obtained, Abandoned, TimedOut, Failed };
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;

  // The lock of this name, created and initialised when it does not exist yet.
  // A process maps each name once and keeps the mapping until it exits, so the
  // result stays valid for the life of the process. Null on failure, with the
  // system error in *error and, when problem is given, a sentence that says
  // what went wrong (an object that belongs to another account: EACCES).
  static NamedSharedMutex* Open(const std::string& lockName, int* error, std::string* problem = nullptr);

  // Waits up to the given milliseconds (kInfinite: no limit, 0: only tries).
  // *error is set for Failed.
  Result Lock(uint32_t milliseconds, int* error);
  // 0, or the system error (EPERM when the calling thread does not own it).
  int Unlock();

  const std::string& ObjectName() const { return objectName_; }
  // The object name of a full lock name (the prefix already in front).
  static std::string ObjectNameFor(const std::string& lockName);
  // $SWMATRIX_LOCK_PREFIX, or empty.
  static std::string NamespacePrefix();
  // Unlinks the object of that name (in the prefix's namespace); 0 or the system error.
  static int Remove(const std::string& lockName);

private:
  struct SharedBlock;
  NamedSharedMutex(std::string objectName, SharedBlock* block)
      : objectName_(std::move(objectName)), block_(block) {}
  static SharedBlock* MapBlock(const std::string& objectName, int* error, std::string* problem);
  static int Initialise(SharedBlock* block);

  std::string objectName_;
  SharedBlock* block_;
};
