#include "framework/Mutex.h"

#include <wx/string.h>

#include <cerrno>

#include "platform/Clock.h"
#include "framework/LockProblem.h"
#include "platform/NamedSharedMutex.h"

namespace {
thread_local std::string lastProblem;
}  // namespace

const std::string& LastLockProblem() { return lastProblem; }

std::wstring Mutex::StreamLockName(const std::wstring& idString) {
  return L"Global\\" + wxString(L"Vantorix:DS:" + idString).Upper().ToStdWstring();
}

Mutex::Mutex(const std::wstring& name) : name_(name) {
  if (!name_.empty()) Create(name_);
}

Mutex::~Mutex() { Close(); }

void Mutex::SetName(const std::wstring& name) {
  if (name == name_) return;
  Close();
  name_ = name;
}

Status Mutex::Create(const std::wstring& name) {
  Close();
  name_ = name;
  creationError_ = 0;
  if (name_.empty()) {
    creationError_ = EINVAL;
    lastProblem = "the lock has no name";
    return kNotCreated;
  }
  std::string problem;
  handle_ = NamedSharedMutex::Open(wxString(name_).utf8_string(), &creationError_, &problem);
  if (!handle_) lastProblem = std::move(problem);
  return handle_ ? 0 : kNotCreated;
}

Status Mutex::Close() {
  if (!handle_) return 0;
  YieldTimeSlice();
  handle_ = nullptr;
  return 0;
}

Status Mutex::Lock(uint32_t milliseconds) {
  if (!handle_ && !name_.empty()) Create(name_);
  if (!handle_) return kNotCreated;
  int error = 0;
  switch (handle_->Lock(milliseconds, &error)) {
    case NamedSharedMutex::Result::Obtained:
      lastLockAbandoned_ = false;
      return 0;
    case NamedSharedMutex::Result::Abandoned:
      lastLockAbandoned_ = true;
      return 0;
    case NamedSharedMutex::Result::TimedOut:
      return kTimedOut;
    case NamedSharedMutex::Result::Failed:
      break;
  }
  return static_cast<Status>(error);
}

Status Mutex::LockSeconds(double seconds) {
  const double milliseconds = seconds * 1000.0;
  if (!(milliseconds >= 0.0)) return Lock(0);
  if (milliseconds >= static_cast<double>(kInfinite)) return Lock(kInfinite);
  return Lock(static_cast<uint32_t>(milliseconds));
}

Status Mutex::Unlock() {
  if (!handle_) return static_cast<Status>(EINVAL);
  return static_cast<Status>(handle_->Unlock());
}
