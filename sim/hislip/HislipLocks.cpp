#include "sim/hislip/HislipLocks.h"

namespace sim::hislip {

Locks::Grant Locks::Request(uint16_t session, const std::string& name) {
  if (Holds(session)) return Grant::kError;
  if (!holders_.empty() && (name.empty() || name != name_)) return Grant::kWait;
  holders_.insert(session);
  name_ = name;
  return Grant::kGranted;
}

uint8_t Locks::Release(uint16_t session) {
  if (!holders_.erase(session)) return 3;
  const uint8_t code = name_.empty() ? 1 : 2;
  if (holders_.empty()) name_.clear();
  return code;
}

}  // namespace sim::hislip
