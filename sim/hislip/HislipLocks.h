#pragma once
// The locks of a HiSLIP server: one exclusive lock, or one shared lock (by
// its name) that several sessions hold together. A session holds one lock
// at most; a request another session's lock stands in the way of waits in
// order of arrival.
#include <cstdint>
#include <set>
#include <string>

namespace sim::hislip {

class Locks {
public:
  enum class Grant { kGranted, kWait, kError };
  // name empty: the exclusive lock.
  Grant Request(uint16_t session, const std::string& name);
  // 1 an exclusive lock was released, 2 a shared one, 3 the session held none
  // (the codes of AsyncLockResponse).
  uint8_t Release(uint16_t session);
  bool Holds(uint16_t session) const { return holders_.contains(session); }
  // Another session's lock keeps this one out.
  bool LockedOut(uint16_t session) const { return !holders_.empty() && !Holds(session); }
  bool Exclusive() const { return !holders_.empty() && name_.empty(); }
  size_t HolderCount() const { return holders_.size(); }

private:
  std::set<uint16_t> holders_;
  std::string name_;  // of the shared lock held, empty for the exclusive lock
};

}  // namespace sim::hislip
