#include "legacy/NI4882CompliantGPIB.h"

#include <chrono>
#include <cstdlib>

#include "legacy/GPIBStatus.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "NI4882CompliantGPIB";
constexpr size_t kEventStatusLength = 100;
}  // namespace

NI4882CompliantGPIB::~NI4882CompliantGPIB() {
  // No handler call may reach this object once its members are gone.
  UnregisterDevice();
}

Status NI4882CompliantGPIB::OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                                       int secondaryAddress) {
  Status status = NI4882MGPIB::OpenDevice(hWnd, board, primaryAddress, secondaryAddress);
  if (!status) status = EnableServiceRequests(hWnd, serviceRequestMask_);
  if (status) NI4882MGPIB::CloseDevice(hWnd);
  return status;
}

Status NI4882CompliantGPIB::CloseDevice(HostWindow hWnd) {
  // The handler goes first, so that the last answers draw no handshake.
  UnregisterDevice();
  const Status status = IsOpen() ? DisableServiceRequests(hWnd) : 0;
  return FirstError(status, NI4882MGPIB::CloseDevice(hWnd));
}

Status NI4882CompliantGPIB::EnableServiceRequests(HostWindow, int mask) {
  Status status = SendGPIB("*CLS");
  if (!status) status = SendGPIB(Format("*SRE %d", mask));
  if (!status) status = SendGPIB("*ESE 1");
  return status;
}

Status NI4882CompliantGPIB::DisableServiceRequests(HostWindow) {
  const Status status = SendGPIB("*SRE 0");
  return FirstError(status, SendGPIB("*ESE 0"));
}

NI4882CompliantGPIB::HandshakeState NI4882CompliantGPIB::State() const {
  std::lock_guard guard(lock_);
  return state_;
}

Status NI4882CompliantGPIB::SaveSendGPIB(HostWindow hWnd, const std::string& text,
                                         bool waitForOperationComplete, size_t replyLength,
                                         std::string* reply) {
  lastSendCount_ = 0;
  Status status = 0;
  if (!HasSrqHandler()) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      ++lastSendCount_;
      status = NI488GPIB::SaveSendGPIB(hWnd, text, waitForOperationComplete, replyLength, reply);
      if (status == 0) break;
    }
    return status;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    ++lastSendCount_;
    status = Handshake(text, waitForOperationComplete, replyLength, reply);
    if (status != gpibstatus::kSrqProtocolError) break;
    JournexEntry::Note("SaveSendGPIB", kModule, "Warning", "SRQ protocol error: sending again",
                       {{"attempt", attempt + 1}, {"Err", status}});
  }
  return AfterOperation(status);
}

Status NI4882CompliantGPIB::Handshake(const std::string& text, bool waitForOperationComplete,
                                      size_t replyLength, std::string* reply) {
  // Without message-available requests, a reply is announced by operation complete.
  const bool replyExpected = reply && replyLength > 0;
  const bool complete = waitForOperationComplete || (replyExpected && !(serviceRequestMask_ & kMessageAvailable));
  std::string command;
  // Only a wait for completion clears the status: a query must not empty the
  // error queue that a later "SYST:ERR?" reads.
  if (waitForOperationComplete && clearStatusBeforeSend_) command = "*CLS;";
  command += text;
  if (complete) command += text.empty() ? "*OPC" : ";*OPC";
  return SendAndAwaitServiceRequest(command, complete, replyLength, reply, TimeoutMilliseconds());
}

Status NI4882CompliantGPIB::SendAndAwaitServiceRequest(const std::string& command, bool complete,
                                                       size_t replyLength, std::string* reply,
                                                       uint32_t timeoutMs) {
  {
    std::lock_guard guard(lock_);
    ++ticket_;
    state_ = kWaitingForSend;
    waitForCompletion_ = complete;
    completed_ = false;
    replyLength_ = reply ? replyLength : 0;
    replied_ = false;
    reply_.clear();
    result_ = 0;
  }
  ExpectServiceRequest(true);
  const Status sent = SendGPIB(command);
  std::unique_lock guard(lock_);
  if (sent) {
    state_ = kIdle;
    return sent;
  }
  if (state_ == kWaitingForSend)
    state_ = waitForCompletion_ ? kWaitingForCompletion : replyLength_ > 0 ? kWaitingForReply : kDone;
  const bool done = changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                      [this] { return state_ == kDone; });
  Status status = done ? result_ : gpibstatus::kWaitTimedOut;
  state_ = kIdle;  // a late request finds no handshake to move on
  if (status == gpibstatus::kWaitTimedOut) {
    status = gpibstatus::kSendTimedOut;
    JournexEntry::Note("SaveSendGPIB", kModule, "Error", "No service request within the time-out",
                       {{"timeout", timeoutMs}, {"Err", status}});
  }
  if (status == 0 && reply && replyLength > 0) *reply = reply_;
  return status;
}

void NI4882CompliantGPIB::SRQHandler(int statusByte) {
  bool waitForCompletion = false, completed = false, replied = false;
  size_t replyLength = 0;
  uint64_t ticket = 0;
  {
    std::lock_guard guard(lock_);
    if (!Active(state_)) return;  // a request nobody waits for
    ticket = ticket_;
    waitForCompletion = waitForCompletion_;
    completed = completed_;
    replyLength = replyLength_;
    replied = replied_;
  }
  // Each step first asks whether its sender still waits: one that gave up
  // may already exchange the next messages on the same descriptor.
  const auto senderWaits = [this, ticket] {
    std::lock_guard guard(lock_);
    return ticket_ == ticket && Active(state_);
  };
  Status status = 0;
  bool protocolError = false;
  std::string answer;
  // The answer comes first: the event status query queues its own answer behind it.
  if (replyLength > 0 && !replied && (statusByte & kMessageAvailable)) {
    if (!senderWaits()) return;
    status = ReceiveGPIB(&answer, replyLength);
    replied = status == 0;
  }
  if (!status && waitForCompletion && !completed && (statusByte & kEventSummary)) {
    std::string events;
    if (!senderWaits()) return;
    status = SendGPIB("*ESR?");
    if (!status && !senderWaits()) return;
    if (!status) status = ReceiveGPIB(&events, kEventStatusLength);
    if (!status) {
      const long eventStatus = std::strtol(events.c_str(), nullptr, 10);
      completed = (eventStatus & 1) != 0;
      protocolError = !completed;
    }
  }
  std::lock_guard guard(lock_);
  if (ticket_ != ticket || !Active(state_)) return;
  if (replied && !replied_) reply_ = answer;
  replied_ = replied;
  completed_ = completed;
  if (status) {
    result_ = status;
    state_ = kDone;
  } else if (protocolError) {
    result_ = gpibstatus::kSrqProtocolError;
    state_ = kDone;
  } else if ((!waitForCompletion_ || completed_) && (replyLength_ == 0 || replied_)) {
    state_ = kDone;
  } else if (waitForCompletion_ && completed_) {
    state_ = kWaitingForReply;
  }
  changed_.notify_all();
}
