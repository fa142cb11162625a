#include "logging/MailSlotSocket.h"

#include "platform/ProcessInfo.h"

JournexEntry::MailSlotSocket& JournexEntry::MailSlotSocket::Instance() {
  // Never destroyed: records may still be written while static objects are torn down.
  static MailSlotSocket* instance = new MailSlotSocket;
  return *instance;
}

std::string JournexEntry::MailSlotSocket::ConfiguredPath() {
  std::string path = ProcessInfo::Environment("SWMATRIX_LOG_SOCKET");
  if (!path.empty()) return path;
  const std::string runtimeDir = ProcessInfo::Environment("XDG_RUNTIME_DIR");
  if (!runtimeDir.empty()) return runtimeDir + "/JournexSlot";
  return "/tmp/JournexSlot-" + std::to_string(ProcessInfo::UserId());
}

std::string JournexEntry::MailSlotSocket::TargetPath() const {
  return pinnedPath_.empty() ? ConfiguredPath() : pinnedPath_;
}

uint32_t JournexEntry::MailSlotSocket::Open(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (name != name_) {
    open_ = false;
    socket_.Disconnect();
    name_ = name;
  }
  if (open_) return 0;
  // Records carry instrument commands and settings: they go only to a
  // reader of the same user (in a shared folder such as /tmp another user
  // could bind the path first).
  const bool connected = UnixDatagramSocket::OwnedByThisUser(name_) && socket_.Connect(name_);
  open_ = connected;
  if (!connected) nextProbeMs_ = ProcessInfo::CoarseMilliseconds() + kReprobeIntervalMs;
  return 0;
}

void JournexEntry::MailSlotSocket::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
  socket_.Disconnect();
}

void JournexEntry::MailSlotSocket::UsePath(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    pinnedPath_ = path;
  }
  Close();
  ForceReprobe();
}

bool JournexEntry::MailSlotSocket::ProbeIfDue() {
  if (ProcessInfo::CoarseMilliseconds() < nextProbeMs_.load(std::memory_order_relaxed)) return false;
  return Reconnect();
}

bool JournexEntry::MailSlotSocket::Reconnect() {
  std::string path;
  {
    std::lock_guard lock(mutex_);
    path = TargetPath();
  }
  Open(path);
  return IsOpen();
}

uint32_t JournexEntry::MailSlotSocket::Send(std::string_view text) {
  if (!IsOpen()) return 0;
  UnixDatagramSocket::SendResult result = socket_.Send(text);
  if (result == UnixDatagramSocket::SendResult::NoReader) {
    open_ = false;
    if (Reconnect()) result = socket_.Send(text);
  }
  switch (result) {
    case UnixDatagramSocket::SendResult::Sent: ++sent_; return 0;
    case UnixDatagramSocket::SendResult::QueueFull: ++droppedQueueFull_; break;
    case UnixDatagramSocket::SendResult::NoReader: ++droppedNoReader_; break;
    case UnixDatagramSocket::SendResult::Failed: ++droppedFailed_; break;
  }
  return static_cast<uint32_t>(result);
}

JournexEntry::MailSlotSocket::Counters JournexEntry::MailSlotSocket::GetCounters() const {
  return {sent_.load(), droppedQueueFull_.load(), droppedNoReader_.load(), droppedFailed_.load()};
}
