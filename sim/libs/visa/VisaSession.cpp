#include "sim/libs/visa/VisaSession.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/libs/BusClient.h"
#include "sim/transport/SerialPort.h"
#include "sim/transport/Sockets.h"

namespace simlib::visa {
namespace {

constexpr int kBusMarginMs = 5000;
constexpr ViUInt16 kFlowXonXoff = 1, kFlowRtsCts = 2;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

ViStatus BusFailure(const BusAnswer& answer) {
  return answer.Word(1) == "nodevice" || answer.Word(1) == "nolistener" ? kErrorNoListeners : kErrorIo;
}

}  // namespace

ViStatus VisaSession::Open() {
  if (kind_ == Kind::kManager) return kSuccess;
  if (kind_ == Kind::kBus) {
    BusAnswer answer;
    if (!BusRequest("find " + resource_, "", false, kBusMarginMs, &answer) || !answer.Ok())
      return kErrorResourceNotFound;
    return kSuccess;
  }
  // ASRLn::INSTR: the COMn link of the ports directory.
  const char* ports = std::getenv("SWMATRIX_PORTS");
  if (!ports || !*ports) return kErrorResourceNotFound;
  const std::string number = resource_.substr(4, resource_.find("::") - 4);
  port_ = sim::transport::OpenSerialPort(std::string(ports) + "/COM" + number);
  if (!port_.Valid()) return kErrorResourceNotFound;
  return ApplyLineSettings();
}

int VisaSession::WaitMs() const {
  return timeoutMs_ == kTimeoutInfinite ? 3'600'000 : static_cast<int>(std::min<ViUInt32>(timeoutMs_, 3'600'000));
}

int VisaSession::Board() const {
  if (!resource_.starts_with("GPIB") || resource_.size() < 5) return -1;
  const char digit = resource_[4];
  return digit >= '0' && digit <= '3' ? digit - '0' : -1;
}

ViStatus VisaSession::ApplyLineSettings() {
  sim::transport::SerialSettings settings;
  settings.baud = baud_;
  settings.dataBits = dataBits_;
  settings.parity = "NOEMS"[parity_];
  settings.stopBits = stopBits_ == kStopTwo ? 2 : 1;
  settings.hardwareFlow = flow_ & kFlowRtsCts;
  settings.softwareFlow = flow_ & kFlowXonXoff;
  return sim::transport::ApplySerialSettings(port_.Get(), settings) ? kSuccess : kErrorIo;
}

ViStatus VisaSession::Write(const std::string& bytes, ViUInt32* written) {
  *written = 0;
  if (kind_ == Kind::kSerial) return WriteSerial(bytes, written);
  if (kind_ != Kind::kBus) return kErrorInvalidObject;
  BusAnswer answer;
  if (!BusRequest("write " + resource_ + " " + std::to_string(bytes.size()), bytes, false, kBusMarginMs,
                  &answer))
    return kErrorIo;
  if (!answer.Ok()) return BusFailure(answer);
  *written = static_cast<ViUInt32>(bytes.size());
  return kSuccess;
}

ViStatus VisaSession::WriteSerial(const std::string& bytes, ViUInt32* written) {
  const int64_t deadline = NowMs() + WaitMs();
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const sim::transport::IoResult result = sim::transport::WriteSome(port_.Get(), rest);
    if (result.closed) return kErrorIo;
    rest.remove_prefix(result.count);
    *written += static_cast<ViUInt32>(result.count);
    if (result.wouldBlock &&
        !sim::transport::WaitForWritable(port_.Get(), static_cast<int>(deadline - NowMs())))
      return kErrorTimeout;
  }
  return kSuccess;
}

bool VisaSession::IsSocket() const { return kind_ == Kind::kBus && resource_.ends_with("::SOCKET"); }

ViStatus VisaSession::Read(ViUInt32 count, std::string* bytes) {
  bytes->clear();
  if (kind_ == Kind::kSerial) return ReadSerial(count, bytes);
  if (kind_ != Kind::kBus) return kErrorInvalidObject;
  if (IsSocket()) return ReadSocket(count, bytes);
  BusAnswer answer;
  if (!BusRequest("read " + resource_ + " " + std::to_string(count) + " " + std::to_string(WaitMs()), "",
                  true, WaitMs() + kBusMarginMs, &answer))
    return kErrorIo;
  *bytes = answer.payload;
  if (answer.TimedOut()) return kErrorTimeout;
  if (!answer.Ok()) return BusFailure(answer);
  if (termCharEnabled_ && !bytes->empty() && static_cast<unsigned char>(bytes->back()) == termChar_)
    return kSuccessTermChar;
  return answer.Word(2) == "1" ? kSuccess : kSuccessMaxCount;
}

std::optional<ViStatus> VisaSession::TakePending(ViUInt32 count, bool terminated, std::string* bytes) {
  const size_t end = terminated ? pending_.find(static_cast<char>(termChar_)) : std::string::npos;
  if (end != std::string::npos && end < count) {
    *bytes = pending_.substr(0, end + 1);
    pending_.erase(0, end + 1);
    return termCharEnabled_ ? kSuccessTermChar : kSuccess;
  }
  if (pending_.size() < count) return std::nullopt;
  *bytes = pending_.substr(0, count);
  pending_.erase(0, count);
  return kSuccessMaxCount;
}

// A raw socket has no end of message: the answers' ends mean nothing here.
ViStatus VisaSession::ReadSocket(ViUInt32 count, std::string* bytes) {
  const int64_t deadline = NowMs() + WaitMs();
  // The time-out 0 still takes what has come.
  for (bool asked = false;; asked = true) {
    if (const std::optional<ViStatus> status = TakePending(count, termCharEnabled_, bytes)) return *status;
    const int64_t left = std::max<int64_t>(deadline - NowMs(), 0);
    if (left == 0 && asked) {
      *bytes = pending_;
      pending_.clear();
      return kErrorTimeout;
    }
    BusAnswer answer;
    if (!BusRequest("read " + resource_ + " " + std::to_string(count - pending_.size()) + " " + std::to_string(left),
                    "", true, static_cast<int>(left) + kBusMarginMs, &answer))
      return kErrorIo;
    pending_ += answer.payload;
    if (!answer.Ok() && !answer.TimedOut()) return BusFailure(answer);
  }
}

ViStatus VisaSession::ReadSerial(ViUInt32 count, std::string* bytes) {
  const bool terminated = termCharEnabled_ || endIn_ == kEndTermChar;
  const int64_t deadline = NowMs() + WaitMs();
  for (;;) {
    if (const std::optional<ViStatus> status = TakePending(count, terminated, bytes)) return *status;
    if (!sim::transport::WaitForReadable(port_.Get(), static_cast<int>(deadline - NowMs()))) {
      *bytes = pending_;
      pending_.clear();
      return kErrorTimeout;
    }
    char chunk[4096];
    const sim::transport::IoResult result = sim::transport::ReadSome(port_.Get(), chunk, sizeof chunk);
    if (result.closed) return kErrorIo;
    pending_.append(chunk, result.count);
  }
}

ViStatus VisaSession::Clear() {
  if (kind_ == Kind::kSerial) {
    sim::transport::DiscardSerialBuffers(port_.Get(), true, true);
    pending_.clear();
    return kSuccess;
  }
  if (kind_ != Kind::kBus) return kErrorInvalidObject;
  pending_.clear();
  BusAnswer answer;
  if (!BusRequest("clear " + resource_, "", false, kBusMarginMs, &answer)) return kErrorIo;
  return answer.Ok() ? kSuccess : BusFailure(answer);
}

ViStatus VisaSession::Flush(ViUInt16 mask) {
  const ViUInt16 known = kReadBuffer | kWriteBuffer | kReadBufferDiscard | kWriteBufferDiscard |
                         kIoInBuffer | kIoOutBuffer | kIoInBufferDiscard | kIoOutBufferDiscard;
  if (mask == 0 || (mask & ~known)) return kErrorInvalidMask;
  const bool input = mask & (kReadBuffer | kReadBufferDiscard | kIoInBuffer | kIoInBufferDiscard);
  // What a socket session holds is dropped; what has not reached it yet
  // (still in the instrument's queue, as bytes in flight) stays.
  if (input) pending_.clear();
  if (kind_ != Kind::kSerial) return kSuccess;
  sim::transport::DiscardSerialBuffers(port_.Get(), mask & (kIoInBufferDiscard | kReadBufferDiscard),
                                       mask & (kIoOutBufferDiscard | kWriteBufferDiscard));
  if (mask & (kWriteBuffer | kIoOutBuffer)) sim::transport::DrainSerialOutput(port_.Get());
  return kSuccess;
}

ViStatus VisaSession::ReadStatusByte(ViUInt16* status) {
  if (!IsInstrumentOnBus()) return kErrorOperationNotSupported;
  if (polledStatus_) {
    *status = *polledStatus_;
    polledStatus_.reset();
    return kSuccess;
  }
  BusAnswer answer;
  if (!BusRequest("poll " + resource_, "", false, kBusMarginMs, &answer)) return kErrorIo;
  if (!answer.Ok()) return BusFailure(answer);
  *status = static_cast<ViUInt16>(std::atoi(answer.Word(1).c_str()));
  return kSuccess;
}

ViStatus VisaSession::AssertTrigger(ViUInt16 protocol) {
  if (!IsInstrumentOnBus()) return kErrorOperationNotSupported;
  if (protocol != kTriggerProtocolDefault) return kErrorInvalidProtocol;
  BusAnswer answer;
  if (!BusRequest("trigger " + resource_, "", false, kBusMarginMs, &answer)) return kErrorIo;
  return answer.Ok() ? kSuccess : BusFailure(answer);
}

ViStatus VisaSession::ControlRemoteEnable(ViUInt16 mode) {
  if (!IsInstrumentOnBus()) return kErrorOperationNotSupported;
  if (mode > kRenAddressGoToLocal) return kErrorInvalidMode;
  // Asserting the line alone leaves the device as it is until it is addressed.
  std::vector<std::string> requests;
  if (mode == kRenDeassert || mode == kRenDeassertGoToLocal || mode == kRenAddressGoToLocal) requests = {"local"};
  if (mode == kRenAssertAddress) requests = {"remote"};
  if (mode == kRenAssertLocalLockout) requests = {"lockout"};
  if (mode == kRenAssertAddressLocalLockout) requests = {"remote", "lockout"};
  for (const std::string& request : requests) {
    BusAnswer answer;
    if (!BusRequest(request + " " + resource_, "", false, kBusMarginMs, &answer)) return kErrorIo;
    if (!answer.Ok()) return BusFailure(answer);
  }
  return kSuccess;
}

ViStatus VisaSession::CheckEvent(uint32_t type, ViUInt16 mechanism, bool allMechanisms) const {
  if (kind_ == Kind::kManager || kind_ == Kind::kEvent) return kErrorInvalidObject;
  if (type != kEventServiceRequest && type != kAllEnabledEvents) return kErrorInvalidEvent;
  if (type == kEventServiceRequest && !IsInstrumentOnBus()) return kErrorInvalidEvent;
  if (allMechanisms && mechanism == kAllMechanisms) return kSuccess;
  if (mechanism == kQueue) return kSuccess;
  // No handler can be installed in this library.
  if (mechanism == kHandler || mechanism == kSuspendHandler) return kErrorHandlerNotInstalled;
  return kErrorInvalidMechanism;
}

ViStatus VisaSession::EnableEvent(uint32_t type, ViUInt16 mechanism) {
  if (const ViStatus status = CheckEvent(type, mechanism, false)) return status;
  if (type == kAllEnabledEvents) return kErrorInvalidEvent;
  if (srqQueue_) return kSuccessEventEnabled;
  srqQueue_ = true;
  return kSuccess;
}

ViStatus VisaSession::DisableEvent(uint32_t type, ViUInt16 mechanism) {
  if (const ViStatus status = CheckEvent(type, mechanism, true)) return status;
  if (!srqQueue_) return kSuccessEventDisabled;
  srqQueue_ = false;
  return kSuccess;
}

ViStatus VisaSession::DiscardEvents(uint32_t type, ViUInt16 mechanism) {
  if (const ViStatus status = CheckEvent(type, mechanism, true)) return status;
  if (!polledStatus_) return kSuccessQueueEmpty;
  polledStatus_.reset();
  return kSuccess;
}

ViStatus VisaSession::WaitOnEvent(uint32_t type, ViUInt32 timeoutMs, uint32_t* outType) {
  *outType = 0;
  if (const ViStatus status = CheckEvent(type, kQueue, false)) return status;
  if (!srqQueue_) return kErrorNotEnabled;
  const int waitMs = timeoutMs == kTimeoutInfinite ? 3'600'000 : static_cast<int>(std::min<ViUInt32>(timeoutMs, 3'600'000));
  BusAnswer answer;
  if (!BusRequest("waitrqs " + resource_ + " " + std::to_string(waitMs), "", false, waitMs + kBusMarginMs, &answer))
    return kErrorIo;
  if (answer.TimedOut()) return kErrorTimeout;
  if (!answer.Ok()) return BusFailure(answer);
  polledStatus_ = static_cast<ViUInt16>(std::atoi(answer.Word(1).c_str()));
  *outType = kEventServiceRequest;
  return kSuccess;
}

ViStatus VisaSession::GetAttribute(ViAttr attribute, void* value) const {
  if (!value) return kErrorAttributeNotSupported;
  auto put16 = [value](ViUInt16 v) { std::memcpy(value, &v, sizeof v); };
  auto put32 = [value](ViUInt32 v) { std::memcpy(value, &v, sizeof v); };
  const bool serial = kind_ == Kind::kSerial;
  switch (attribute) {
    case kAttrTimeout: put32(timeoutMs_); break;
    case kAttrTermChar: *static_cast<unsigned char*>(value) = termChar_; break;
    case kAttrTermCharEnabled: put16(termCharEnabled_); break;
    case kAttrSendEndEnabled: put16(sendEnd_); break;
    case kAttrResourceName: std::strncpy(static_cast<char*>(value), resource_.c_str(), 255); break;
    case kAttrResourceClass:
      std::strcpy(static_cast<char*>(value), IsSocket() ? "SOCKET" : "INSTR");
      break;
    case kAttrEventType:
      if (kind_ != Kind::kEvent) return kErrorAttributeNotSupported;
      put32(eventType_);
      break;
    case kAttrInterfaceType:
      put16(serial ? kInterfaceSerial : Board() >= 0 ? kInterfaceGpib : kInterfaceTcpip);
      break;
    case kAttrBaud: if (!serial) return kErrorAttributeNotSupported; put32(baud_); break;
    case kAttrDataBits: if (!serial) return kErrorAttributeNotSupported; put16(dataBits_); break;
    case kAttrParity: if (!serial) return kErrorAttributeNotSupported; put16(parity_); break;
    case kAttrStopBits: if (!serial) return kErrorAttributeNotSupported; put16(stopBits_); break;
    case kAttrFlowControl: if (!serial) return kErrorAttributeNotSupported; put16(flow_); break;
    case kAttrEndIn: if (!serial) return kErrorAttributeNotSupported; put16(endIn_); break;
    default: return kErrorAttributeNotSupported;
  }
  return kSuccess;
}

ViStatus VisaSession::SetAttribute(ViAttr attribute, ViAttrState value) {
  const bool serial = kind_ == Kind::kSerial;
  const bool serialAttribute = attribute == kAttrBaud || attribute == kAttrDataBits ||
                               attribute == kAttrParity || attribute == kAttrStopBits ||
                               attribute == kAttrFlowControl || attribute == kAttrEndIn;
  if (serialAttribute && !serial) return kErrorAttributeNotSupported;
  const ViUInt32 small = static_cast<ViUInt32>(value & 0xFFFFFFFF);  // 32-bit attributes
  switch (attribute) {
    case kAttrTimeout: timeoutMs_ = small; return kSuccess;
    case kAttrTermChar:
      if (small > 0xFF) return kErrorAttributeStateNotSupported;
      termChar_ = static_cast<unsigned char>(small);
      return kSuccess;
    case kAttrTermCharEnabled: termCharEnabled_ = (small & 0xFFFF) != 0; return kSuccess;
    case kAttrSendEndEnabled: sendEnd_ = (small & 0xFFFF) != 0; return kSuccess;
    case kAttrBaud:
      if (!sim::transport::IsStandardBaud(small)) return kErrorAttributeStateNotSupported;
      baud_ = small;
      break;
    case kAttrDataBits:
      if (small < 5 || small > 8) return kErrorAttributeStateNotSupported;
      dataBits_ = static_cast<ViUInt16>(small);
      break;
    case kAttrParity:
      if (small > 4) return kErrorAttributeStateNotSupported;
      parity_ = static_cast<ViUInt16>(small);
      break;
    case kAttrStopBits:
      if (small != kStopOne && small != kStopTwo) return kErrorAttributeStateNotSupported;
      stopBits_ = static_cast<ViUInt16>(small);
      break;
    case kAttrFlowControl:
      if (small > 3) return kErrorAttributeStateNotSupported;
      flow_ = static_cast<ViUInt16>(small);
      break;
    case kAttrEndIn:
      if (small > 3) return kErrorAttributeStateNotSupported;
      endIn_ = static_cast<ViUInt16>(small);
      return kSuccess;
    default: return kErrorAttributeNotSupported;
  }
  return ApplyLineSettings();
}

}  // namespace simlib::visa
