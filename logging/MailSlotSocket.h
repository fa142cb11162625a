#pragma once
// The process-wide connection to the log viewer: a Unix datagram socket
// connected to the path the viewer binds. One record is one datagram; a send
// never blocks, and a record that cannot be delivered (no reader, full queue)
// is dropped.
//
// When no reader was found, the path is probed again at most every
// kReprobeIntervalMs, so a viewer started after the host is picked up soon
// while a host without a viewer pays only a clock read per check. When the
// reader goes away, the next send reconnects at once (a restarted viewer
// binds a new socket at the same path) and retries that record once.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "logging/JournexEntry.h"
#include "platform/UnixDatagramSocket.h"

class JournexEntry::MailSlotSocket {
public:
  static constexpr int64_t kReprobeIntervalMs = 250;

  struct Counters {
    uint64_t sent = 0;
    uint64_t droppedQueueFull = 0;
    uint64_t droppedNoReader = 0;
    uint64_t droppedFailed = 0;  // e.g. a record larger than a datagram may be
  };

  // The one instance; it lives until the process ends.
  static MailSlotSocket& Instance();
  virtual ~MailSlotSocket() = default;

  // The path of the log channel: $SWMATRIX_LOG_SOCKET, else
  // $XDG_RUNTIME_DIR/JournexSlot, else /tmp/JournexSlot-<uid>.
  static std::string ConfiguredPath();

  // Connects to the reader at `name` when the socket is not open yet and the
  // socket there belongs to this process's user; another name than the
  // stored one closes the connection first. Returns 0 either way.
  uint32_t Open(const std::string& name);
  bool IsOpen() const { return open_.load(std::memory_order_relaxed); }
  // Sends one record when open; returns 0 when it was delivered (or there
  // was no connection), else the reason it was dropped.
  uint32_t Send(std::string_view text);
  void Close();

  // True when open, or when a due probe of the path found a reader. Cheap.
  bool Enabled() {
    if (IsOpen()) return true;
    return ProbeIfDue();
  }
  // Makes the next Enabled() probe the path at once.
  void ForceReprobe() { nextProbeMs_.store(0); }
  // Uses `path` instead of the configured one; empty returns to the configured path.
  void UsePath(const std::string& path);

  Counters GetCounters() const;

private:
  MailSlotSocket() = default;
  bool ProbeIfDue();
  bool Reconnect();
  std::string TargetPath() const;

  mutable std::mutex mutex_;  // guards the name and (re)connecting
  std::string name_;
  std::string pinnedPath_;
  std::atomic<bool> open_{false};
  std::atomic<int64_t> nextProbeMs_{0};
  std::atomic<uint64_t> sent_{0}, droppedQueueFull_{0}, droppedNoReader_{0}, droppedFailed_{0};
  UnixDatagramSocket socket_;
};
