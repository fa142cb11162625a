#include "logging/MailSlotSocket.h"

#include "platform/ProcessInfo.h"

JournexEntry::MailSlotSocket& JournexEntry::MailSlotSocket::Instance() {
  // Never destroyed: records may still be written while static objects are torn down.
  static MailSlotSocket* instance = new MailSlotSocket;
  return *instance;
}

JournexEntry::MailSlotSocket::MailSlotSocket() {
  ProcessInfo::AtFork(PrepareFork, AfterForkInParent, AfterForkInChild);
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
  OpenLocked(name);
  return 0;
}

void JournexEntry::MailSlotSocket::OpenLocked(const std::string& name) {
  if (name != name_) {
    open_ = false;
    socket_.Disconnect();
    name_ = name;
    ++generation_;
  }
  if (open_) return;
  // Records carry instrument commands and settings: they go only to a
  // reader of the same user (in a shared folder such as /tmp another user
  // could bind the path first).
  const bool connected = UnixDatagramSocket::OwnedByThisUser(name_) && socket_.Connect(name_);
  open_ = connected;
  if (!connected) nextProbeMs_ = ProcessInfo::CoarseMilliseconds() + kReprobeIntervalMs;
}

void JournexEntry::MailSlotSocket::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
  socket_.Disconnect();
}

void JournexEntry::MailSlotSocket::Shutdown() {
  sender_.Shutdown();
  Close();
}

void JournexEntry::MailSlotSocket::UsePath(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    pinnedPath_ = path;
    ++generation_;  // what is queued was meant for the previous reader
  }
  Close();
  ForceReprobe();
}

bool JournexEntry::MailSlotSocket::ProbeIfDue() {
  if (ProcessInfo::CoarseMilliseconds() < nextProbeMs_.load(std::memory_order_relaxed)) return false;
  return Reconnect();
}

bool JournexEntry::MailSlotSocket::Reconnect() {
  std::lock_guard lock(mutex_);
  OpenLocked(TargetPath());
  return IsOpen();
}

uint32_t JournexEntry::MailSlotSocket::Send(std::string record, bool single) {
  if (!IsOpen()) return 0;
  sender_.Hand(std::move(record), single ? ProcessInfo::Id() : 0, generation_.load(std::memory_order_relaxed));
  return 0;
}

RecordSender::Outcome JournexEntry::MailSlotSocket::Transmit(const std::string& record, uint64_t generation) {
  using Outcome = RecordSender::Outcome;
  std::lock_guard lock(mutex_);
  if (generation != generation_.load()) return Outcome::Failed;
  if (!open_) return Outcome::Gone;
  UnixDatagramSocket::SendResult result = socket_.Send(record);
  if (result == UnixDatagramSocket::SendResult::NoReader) {
    open_ = false;
    OpenLocked(TargetPath());
    if (open_) result = socket_.Send(record);
  }
  switch (result) {
    case UnixDatagramSocket::SendResult::Sent: return Outcome::Sent;
    case UnixDatagramSocket::SendResult::QueueFull: return Outcome::Busy;
    case UnixDatagramSocket::SendResult::NoReader: return Outcome::Gone;
    case UnixDatagramSocket::SendResult::Failed: break;
  }
  return Outcome::Failed;
}

void JournexEntry::MailSlotSocket::PrepareFork() {
  MailSlotSocket& channel = Instance();
  channel.sender_.LockForFork();  // the sender's lock comes first wherever both are taken
  channel.mutex_.lock();
}

void JournexEntry::MailSlotSocket::AfterForkInParent() {
  MailSlotSocket& channel = Instance();
  channel.mutex_.unlock();
  channel.sender_.UnlockAfterFork();
}

void JournexEntry::MailSlotSocket::AfterForkInChild() {
  MailSlotSocket& channel = Instance();
  channel.mutex_.unlock();
  channel.sender_.ResetInChild();
}
