#include "legacy/RS232RunTimeDataVISA.h"

#include "legacy/VisaResourceName.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "RS232RunTimeDataVISA";

uint32_t VisaStopBits(int stopBits) {
  return stopBits == 1 ? visa::kStopOneAndHalf : stopBits == 2 ? visa::kStopTwo : visa::kStopOne;
}
}  // namespace

bool RS232RunTimeDataVISA::Available() { return VisaLibrary().Load() == 0; }

Status RS232RunTimeDataVISA::Open(const RS232PortSettings& settings) {
  Close();
  openFailure_ = 0;
  portName_ = "COM" + std::to_string(settings.comPort) + " (VISA resources " +
              VisaResourceName::SerialAlias(settings.comPort) + " and " + VisaResourceName::Serial(settings.comPort) + ")";
  Status status = visa_.OpenResource(VisaResourceName::SerialAlias(settings.comPort), timeout_);
  if (status && status != DRV_ERR_VISA_NOT_FOUND) {
    JournexEntry::Note("Open", kModule, "Note", "No VISA alias " + VisaResourceName::SerialAlias(settings.comPort) +
                                                    ": opening " + VisaResourceName::Serial(settings.comPort));
    status = visa_.OpenResource(VisaResourceName::Serial(settings.comPort), timeout_);
  }
  if (status) {
    openFailure_ = status;
    JournexEntry::Note("Open", kModule, "Error", ErrorText(status), {{"Err", status}});
    return status;
  }
  applied_ = timeout_;
  status = visa_.SetAttribute(visa::kAttrSerialBaud, static_cast<visa::ViAttrState>(settings.baudRate));
  if (!status) status = visa_.SetAttribute(visa::kAttrSerialDataBits, static_cast<visa::ViAttrState>(settings.dataBits));
  if (!status) status = visa_.SetAttribute(visa::kAttrSerialParity, static_cast<visa::ViAttrState>(settings.parity));
  if (!status) status = visa_.SetAttribute(visa::kAttrSerialStopBits, VisaStopBits(settings.stopBits));
  if (!status)
    status = visa_.SetAttribute(visa::kAttrSerialFlowControl,
                                settings.hardwareFlowControl ? visa::kFlowRtsCts : visa::kFlowNone);
  terminationSet_ = settings.lineEndTerminates;
  terminationEnabled_ = settings.lineEndTerminates;
  if (!status && terminationSet_) status = visa_.SetAttribute(visa::kAttrTermChar, '\n');
  if (!status) status = visa_.SetAttribute(visa::kAttrTermCharEnabled, terminationEnabled_ ? 1 : 0);
  if (!status)
    status = visa_.SetAttribute(visa::kAttrSerialEndIn, terminationEnabled_ ? visa::kEndTermChar : visa::kEndNone);
  if (status) visa_.CloseResource();
  return status;
}

Status RS232RunTimeDataVISA::Close() { return visa_.CloseResource(); }

std::string RS232RunTimeDataVISA::ErrorText(Status status) const {
  const std::string text = visa_.ErrorText(status);
  if (status != openFailure_ || status == 0) return text;
  return "The serial port cannot be opened: " + portName_ + (text.empty() ? "" : ": " + text);
}

Status RS232RunTimeDataVISA::Write(const std::string& bytes) {
  if (!IsOpen()) return kNotOpen;
  return visa_.WriteText(bytes);
}

Status RS232RunTimeDataVISA::ApplyTimeout(uint32_t milliseconds) {
  if (applied_ == milliseconds) return 0;
  const Status status = visa_.SetTimeout(milliseconds);
  if (!status) applied_ = milliseconds;
  return status;
}

Status RS232RunTimeDataVISA::Read(std::string* bytes, size_t count) {
  bytes->clear();
  if (!IsOpen()) return kNotOpen;
  if (const Status status = ApplyTimeout(timeout_)) return status;
  return visa_.ReadText(bytes, count);
}

Status RS232RunTimeDataVISA::ReadSome(std::string* bytes, size_t count, uint32_t waitMs) {
  if (!IsOpen()) return kNotOpen;
  if (const Status status = ApplyTimeout(waitMs)) return status;
  std::string part;
  const Status status = visa_.ReadText(&part, count);
  bytes->append(part);
  if (status == kShortRead) return part.empty() ? kShortRead : 0;
  return status;
}

Status RS232RunTimeDataVISA::InputQueueCount(size_t* count) {
  *count = 0;
  if (!IsOpen()) return kNotOpen;
  uint32_t waiting = 0;
  const Status status = visa_.GetAttribute(visa::kAttrSerialAvailable, &waiting);
  if (status == 0) *count = waiting;
  return status;
}

Status RS232RunTimeDataVISA::ClearOutputBuffer() {
  if (!IsOpen()) return kNotOpen;
  return visa_.Flush(visa::kWriteBufferDiscard | visa::kIoOutBufferDiscard);
}

Status RS232RunTimeDataVISA::ClearInputBuffer() {
  if (!IsOpen()) return kNotOpen;
  return visa_.Flush(visa::kReadBufferDiscard | visa::kIoInBufferDiscard);
}

Status RS232RunTimeDataVISA::SetTimeout(uint32_t milliseconds) {
  timeout_ = milliseconds;
  return IsOpen() ? ApplyTimeout(milliseconds) : 0;
}

Status RS232RunTimeDataVISA::SetMinimumTimeout(uint32_t milliseconds) {
  return milliseconds > timeout_ ? SetTimeout(milliseconds) : 0;
}
