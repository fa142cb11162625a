#include "legacy/SystemErrorStatus.h"

#include <system_error>

namespace systemerror {

Status ToStatus(int error) {
  if (error == 0) return 0;
  if (error < 0 || static_cast<Status>(error) > kLast - kBase) return kLast;
  return kBase + static_cast<Status>(error);
}

bool IsSystemStatus(Status status) { return status >= kBase && status <= kLast; }

std::string Text(Status status) {
  if (!IsSystemStatus(status)) return {};
  const int error = static_cast<int>(status - kBase);
  return "System error " + std::to_string(error) + ": " + std::generic_category().message(error);
}

}  // namespace systemerror
