#pragma once
// A Unix-domain datagram socket: the log channel between the module (sender)
// and the log viewer (receiver). Every datagram is one record; sends never
// block. The descriptor is created once and never exchanged, so several
// threads may send while another re-targets the socket with Connect.
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class UnixDatagramSocket {
public:
  enum class SendResult {
    Sent,
    QueueFull,  // the reader is there but does not keep up: the record is dropped
    NoReader,   // nobody is bound to the path (or the reader went away)
    Failed,     // any other error (too large, no socket)
  };
  enum class ReceiveResult { Received, TimedOut, Failed };

  UnixDatagramSocket() = default;
  ~UnixDatagramSocket();
  UnixDatagramSocket(const UnixDatagramSocket&) = delete;
  UnixDatagramSocket& operator=(const UnixDatagramSocket&) = delete;

  // Sender side: creates the socket on first use and connects it to the
  // reader bound at `path`. False when no reader is bound there.
  bool Connect(const std::string& path);
  // Forgets the peer; later sends report NoReader until Connect succeeds.
  void Disconnect();
  // One datagram to the connected reader, never waiting.
  SendResult Send(std::string_view datagram);
  // Waits up to timeoutMs until the reader's queue (and our send buffer)
  // has room for a datagram again, or the reader went away.
  void AwaitRoom(int timeoutMs);

  // Receiver side: binds `path` (a stale socket file left by a dead reader is
  // replaced; a live reader makes this fail). `error` gets a reason.
  bool Bind(const std::string& path, std::string* error = nullptr);
  // Waits up to timeoutMs (negative: for ever) for one datagram.
  ReceiveResult Receive(std::string* datagram, int timeoutMs);
  // Closes the socket (and removes the file of a bound one).
  void Close();

  bool IsCreated() const { return fd_.load(std::memory_order_relaxed) >= 0; }
  const std::string& BoundPath() const { return boundPath_; }

  // Longest path a socket address holds.
  static size_t MaxPathLength();
  // Whether path is a socket that belongs to the user this process runs as.
  static bool OwnedByThisUser(const std::string& path);

private:
  bool Create();

  std::atomic<int> fd_{-1};
  std::string boundPath_;
  std::vector<char> receiveBuffer_;
};
