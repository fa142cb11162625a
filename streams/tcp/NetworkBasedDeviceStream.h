#pragma once
// The common part of the network transports: a wxWidgets socket in blocking
// mode, the configuration it was connected with, and connect, disconnect,
// write, read and the error texts. TCP uses it as it is; UDP and HTTP
// override what differs.
//
// The socket is a wxSocketClient (address lookup, connection, options); the
// bytes of an exchange go through platform/SocketTransfer on its descriptor,
// one system call per step. A command and its send terminator leave in one
// write. A read collects
// bytes until the receive terminator has arrived, the count is reached or
// the time-out has passed; bytes after the terminator stay for the next
// read. An answer longer than the count ends with kResponseTooLarge (the
// first count bytes are returned); a time-out with kReadTimedOut and what
// had arrived; a connection closed by the instrument with kNotConnected.
// A write first makes sure the connection still stands and, when the
// instrument closed it while the stream is in use, connects again.
#include <wx/socket.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "streams/DeviceStream.h"
#include "streams/tcp/NetworkAddress.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

class NetworkBasedDeviceStream : public DeviceStream {
public:
  NetworkBasedDeviceStream();
  ~NetworkBasedDeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  Status SetTimeout(uint32_t hostContext, double seconds) override;
  Status Write(uint32_t hostContext, const std::string& command, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& answer, size_t count) override;
  Status ClearInputBuffers(uint32_t hostContext) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;
  void InterruptWait() override;

  // Opens the socket to the configured address (TCP: connects, retrying
  // until the time-out).
  virtual Status InternalConnect();
  // Closes and drops the socket.
  virtual Status InternalDisconnect();
  // "tcpip://server:port" of the configuration connected with (empty before).
  std::string GetEffectiveAddress() const;
  // "server:port", naming the instrument in the log records of its bytes.
  std::string WireName() const;
  // Whether the open socket sends without Nagle's delay.
  bool NagleOff();

protected:
  using Clock = std::chrono::steady_clock;

  // Whether the socket is a connection whose receives may wait in the system
  // (false for datagram sockets, which wxWidgets waits on).
  virtual bool UsesReceiveWait() const { return true; }
  // Whether the configuration is of this transport's class.
  virtual bool AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const;
  // Resolves the configuration's effective address.
  Status DetermineIPAddress(wxIPV4address& address);
  // The socket time-out in whole seconds (at least 1) for a stream time-out.
  static long WholeSeconds(double seconds);
  Clock::time_point Deadline() const;
  static long MillisecondsLeft(Clock::time_point deadline);

  // Socket operations; the caller holds socketLock_.
  bool SocketUsable() const;
  Status SendAll(const std::string& bytes);
  Status ReadLocked(std::string& answer, size_t count, Clock::time_point deadline);
  // Waits for bytes until the deadline and appends what one read gives: 0,
  // kReadTimedOut, kNotConnected (closed by the other end) or kReadError
  // (after three more tries, 10, 100 and 1000 ms apart).
  Status ReceiveSome(std::string& into, Clock::time_point deadline);
  // The command with the send terminator appended when enabled and missing.
  std::string Terminated(const std::string& command) const;
  // Takes a new, open socket into use (under socketLock_).
  void AdoptSocket(std::unique_ptr<wxSocketBase> socket);
  bool Interrupted() const { return interrupted_; }
  // The text of kCannotBind names this address ("server:port").
  void SetFailedAddress(const std::string& address) { failedAddress_ = address; }
  // kNotConnected, whose text then names the configured address and why.
  Status NotConnected(const std::string& reason);
  // Why a stream without a usable socket has none.
  std::string WhyNotUsable() const;

  std::recursive_mutex socketLock_;
  std::unique_ptr<wxSocketBase> socket_;
  std::shared_ptr<NetworkBasedDeviceStreamConfig> configuration_;

private:
  Status WaitForOperationComplete(Clock::time_point deadline);
  // 0 when the connection stands (looked at unless ClearInputBuffers just
  // did); a connection the instrument closed is opened again while the
  // stream has users; else kNotConnected. Under socketLock_.
  Status OpenForWriting();
  // Lets a receive wait for data up to the stream time-out (TCP sockets only).
  void ArmReceiveWait();

  std::string pending_;
  std::vector<char> buffer_;
  bool closed_ = false;  // the other end closed or reset the connection
  bool inputChecked_ = false;  // ClearInputBuffers found the connection standing
  std::atomic<bool> interrupted_{false};  // InterruptWait ended the socket's receiving
  std::atomic<int> socketFd_{-1};         // the open socket's descriptor, for InterruptWait
  long receiveWaitMs_ = -1;  // how long a waiting receive waits (-1: not armed)
  std::string failedAddress_;
};
