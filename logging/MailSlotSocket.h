#pragma once
// The process-wide connection to the log viewer: a Unix datagram socket
// connected to the path the viewer binds. One record is one datagram. A
// caller hands its record to the sender (logging/RecordSender.h), which
// numbers it and sends it, or queues it while the viewer's short queue is
// full, so that a burst of records is not lost and a caller never waits.
//
// When no reader was found, the path is probed again at most every
// kReprobeIntervalMs, so a viewer started after the host is picked up soon
// while a host without a viewer pays only a clock read per check. When the
// reader goes away, the next send reconnects at once (a restarted viewer
// binds a new socket at the same path) and retries that record once; when
// that fails too, the queued records are dropped at once.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "logging/JournexEntry.h"
#include "logging/RecordSender.h"
#include "platform/UnixDatagramSocket.h"

class JournexEntry::MailSlotSocket : private RecordSender::Transport {
public:
  static constexpr int64_t kReprobeIntervalMs = 250;

  using Counters = RecordSender::Counters;
  using Delivery = RecordSender::Delivery;

  // The one instance; it lives until the process ends.
  static MailSlotSocket& Instance();
  virtual ~MailSlotSocket() = default;

  // The path of the log channel: $SWMATRIX_LOG_SOCKET, else
  // $XDG_RUNTIME_DIR/JournexSlot, else /tmp/JournexSlot-<uid>.
  static std::string ConfiguredPath();

  // Connects to the reader at `name` when the socket is not open yet and the
  // socket there belongs to this process's user; another name than the
  // stored one closes the connection first (and drops the records queued for
  // the previous reader). Returns 0 either way.
  uint32_t Open(const std::string& name);
  bool IsOpen() const { return open_.load(std::memory_order_relaxed); }
  // Hands one record to the sender when open; `single` marks a record whose
  // header names no process. Returns 0: the caller never learns the fate of
  // its record (GetCounters does).
  uint32_t Send(std::string record, bool single = false);
  void Close();
  // At unload or exit: sends what is queued while the reader keeps up, stops
  // the sender's thread and closes. Records written later are sent by their
  // callers directly, as they come.
  void Shutdown();

  // True when open, or when a due probe of the path found a reader. Cheap.
  bool Enabled() {
    if (IsOpen()) return true;
    return ProbeIfDue();
  }
  // Makes the next Enabled() probe the path at once.
  void ForceReprobe() { nextProbeMs_.store(0); }
  // Uses `path` instead of the configured one; empty returns to the configured path.
  void UsePath(const std::string& path);
  // Queued (the default) or direct, as the old channel sent: for comparisons.
  void SetDelivery(Delivery delivery) { sender_.SetDelivery(delivery); }

  Counters GetCounters() const { return sender_.GetCounters(); }
  // True when every record handed over so far has been sent or dropped.
  bool Idle() const { return sender_.Idle(); }

private:
  MailSlotSocket();
  bool ProbeIfDue();
  bool Reconnect();
  std::string TargetPath() const;
  void OpenLocked(const std::string& name);

  RecordSender::Outcome Transmit(const std::string& record, uint64_t generation) override;
  void AwaitRoom(int timeoutMs) override { socket_.AwaitRoom(timeoutMs); }

  static void PrepareFork();
  static void AfterForkInParent();
  static void AfterForkInChild();

  mutable std::mutex mutex_;  // guards the name and (re)connecting and sending from the sender
  std::string name_;
  std::string pinnedPath_;
  std::atomic<bool> open_{false};
  std::atomic<int64_t> nextProbeMs_{0};
  // Counts the readers the channel was pointed at: a record queued for an
  // earlier one is not sent to a later one.
  std::atomic<uint64_t> generation_{0};
  UnixDatagramSocket socket_;
  RecordSender sender_{*this};
};
