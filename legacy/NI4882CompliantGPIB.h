#pragma once
// An IEEE 488.2 device driven by service requests: after opening, the device
// is told to request service when an operation completes or an answer is
// ready ("*CLS", "*SRE mask", "*ESE 1"). A send then waits for that request
// instead of asking "*OPC?": the service-request library calls SRQHandler on
// its own thread, which reads the answer and the event status and moves the
// handshake on, while the sending thread waits for it.
#include <condition_variable>
#include <mutex>

#include "legacy/NI4882MGPIB.h"

class NI4882CompliantGPIB : public NI4882MGPIB {
public:
  // The handshake: 1 waiting for the send, 2 for operation complete, 3 for a reply, 4 done.
  enum HandshakeState { kIdle = 0, kWaitingForSend = 1, kWaitingForCompletion = 2, kWaitingForReply = 3, kDone = 4 };
  static constexpr int kAttempts = 5;
  static constexpr int kMessageAvailable = 0x10;  // status byte: an answer waits
  static constexpr int kEventSummary = 0x20;      // status byte: an enabled event is set
  // Operation complete (through the event status) and a waiting answer ask
  // for service by default: a query is answered without clearing the
  // instrument's status first, so its error queue survives the query.
  static constexpr int kDefaultServiceRequestMask = kEventSummary | kMessageAvailable;

  using NI4882MGPIB::NI4882MGPIB;
  ~NI4882CompliantGPIB() override;

  // Opens as NI4882MGPIB does, then enables service requests.
  Status OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                    int secondaryAddress) override;
  using NI4882MGPIB::OpenDevice;
  // Disables service requests, then closes.
  Status CloseDevice(HostWindow hWnd) override;

  // With a registered handler: sends ("*CLS;" first only when waiting for
  // completion; ";*OPC" last then, and also for a reply when message-available
  // is not among the service requests) and waits up to the device's time-out
  // for the handshake; a protocol error sends again (up to 5 times). Without
  // one: up to 5 tries of the plain send and read.
  Status SaveSendGPIB(HostWindow hWnd, const std::string& text, bool waitForOperationComplete,
                      size_t replyLength, std::string* reply) override;
  void SRQHandler(int statusByte) override;

  // "*CLS", "*SRE mask", "*ESE 1" / "*SRE 0", "*ESE 0".
  virtual Status EnableServiceRequests(HostWindow hWnd, int mask);
  virtual Status DisableServiceRequests(HostWindow hWnd);

  int ServiceRequestMask() const { return serviceRequestMask_; }
  void SetServiceRequestMask(int mask) { serviceRequestMask_ = mask; }
  bool ClearStatusBeforeSend() const { return clearStatusBeforeSend_; }
  void SetClearStatusBeforeSend(bool clear) { clearStatusBeforeSend_ = clear; }
  HandshakeState State() const;
  // How often the last SaveSendGPIB sent its text.
  int LastSendCount() const { return lastSendCount_; }

protected:
  // Sends the command exactly as given and waits up to timeoutMs for the
  // handshake (operation complete when asked, then a reply when one is
  // expected). 0x3000019A when no service request ends it in time.
  Status SendAndAwaitServiceRequest(const std::string& command, bool waitForOperationComplete,
                                    size_t replyLength, std::string* reply, uint32_t timeoutMs);

private:
  Status Handshake(const std::string& text, bool waitForOperationComplete, size_t replyLength,
                   std::string* reply);
  static bool Active(HandshakeState state) { return state >= kWaitingForSend && state <= kWaitingForReply; }

  mutable std::mutex lock_;
  std::condition_variable changed_;
  HandshakeState state_ = kIdle;
  uint64_t ticket_ = 0;  // the handshake a handler call belongs to
  bool waitForCompletion_ = false;
  bool completed_ = false;
  size_t replyLength_ = 0;
  bool replied_ = false;
  std::string reply_;
  Status result_ = 0;
  int serviceRequestMask_ = kDefaultServiceRequestMask;
  bool clearStatusBeforeSend_ = true;
  int lastSendCount_ = 0;
};
