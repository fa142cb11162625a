#include "legacy/RS232RunTimeDataTermios.h"

#include <algorithm>

#include "legacy/SystemErrorStatus.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "RS232RunTimeDataTermios";
}

Status RS232RunTimeDataTermios::SystemFailure(int error) {
  lastError_ = error;
  return systemerror::ToStatus(error);
}

Status RS232RunTimeDataTermios::Open(const RS232PortSettings& settings) {
  Close();
  path_ = settings.devicePath.empty() ? SerialPort::DevicePath(settings.comPort) : settings.devicePath;
  portName_ = settings.devicePath.empty() ? SerialPort::Mapping(settings.comPort) : settings.devicePath;
  openFailure_ = 0;
  if (const int error = port_.Open(path_)) {
    openFailure_ = systemerror::ToStatus(error);
    JournexEntry::Note("Open", kModule, "Error", "The serial port cannot be opened: " + ErrorText(openFailure_),
                       {{"port", path_}, {"error", error}, {"Err", openFailure_}});
    return SystemFailure(error);
  }
  SerialLineSettings line;
  line.baudRate = static_cast<uint32_t>(settings.baudRate);
  line.dataBits = settings.dataBits;
  line.parity = settings.parity;
  line.stopBits = settings.stopBits;
  line.dataTerminalReady = settings.dataTerminalReady;
  line.hardwareFlowControl = settings.hardwareFlowControl;
  Status status = 0;
  if (const int error = port_.Configure(line)) {
    JournexEntry::Note("Open", kModule, "Error", "The port settings were refused",
                       {{"port", path_}, {"error", error}});
    status = SystemFailure(error);
  }
  if (!status) status = SetTimeout(kOpeningTimeoutMs);
  if (status) port_.Close();
  return status;
}

Status RS232RunTimeDataTermios::Close() {
  port_.Close();
  return 0;
}

Status RS232RunTimeDataTermios::Write(const std::string& bytes) {
  if (!IsOpen()) return kNotOpen;
  size_t written = 0;
  if (const int error = port_.Write(bytes.data(), bytes.size(), kWriteTimeoutMs, &written)) return SystemFailure(error);
  if (written < bytes.size()) {
    JournexEntry::Note("Write", kModule, "Error", "Not all bytes were sent",
                       {{"written", written}, {"count", bytes.size()}, {"Err", kNotAllWritten}});
    return kNotAllWritten;
  }
  return 0;
}

Status RS232RunTimeDataTermios::Read(std::string* bytes, size_t count) {
  bytes->clear();
  if (!IsOpen()) return kNotOpen;
  bytes->resize(count);
  size_t got = 0;
  const int error = port_.Read(bytes->data(), count, readConstant_, kReadIntervalMs, &got);
  bytes->resize(got);
  if (error) {
    const std::string text = "ReadFile is still returning an unexpected error: " + std::to_string(error) +
                             ", GetLastError: " + std::to_string(error) + ", wait: " + std::to_string(readConstant_);
    JournexEntry::Note("Read", kModule, "Error", text);
    return SystemFailure(error);
  }
  return got < count ? kShortRead : 0;
}

Status RS232RunTimeDataTermios::ReadSome(std::string* bytes, size_t count, uint32_t waitMs) {
  if (!IsOpen()) return kNotOpen;
  bool ready = false;
  if (const int error = port_.WaitReadable(waitMs, &ready)) return SystemFailure(error);
  if (!ready) return kShortRead;
  const size_t before = bytes->size();
  bytes->resize(before + count);
  size_t got = 0;
  const int error = port_.ReadAvailable(bytes->data() + before, count, &got);
  bytes->resize(before + got);
  if (error) return SystemFailure(error);
  return got == 0 ? kShortRead : 0;
}

Status RS232RunTimeDataTermios::InputQueueCount(size_t* count) {
  *count = 0;
  if (!IsOpen()) return kNotOpen;
  if (const int error = port_.BytesWaiting(count)) return SystemFailure(error);
  return 0;
}

Status RS232RunTimeDataTermios::ClearOutputBuffer() {
  if (!IsOpen()) return kNotOpen;
  if (const int error = port_.Purge(false, true)) {
    JournexEntry::Note("ClearOutBuffer", kModule, "Error",
                       "ClearOutBuffer(PurgeComm returned error: " + std::to_string(error) + ")");
    return SystemFailure(error);
  }
  return 0;
}

Status RS232RunTimeDataTermios::ClearInputBuffer() {
  if (!IsOpen()) return kNotOpen;
  if (const int error = port_.Purge(true, false)) {
    JournexEntry::Note("ClearInBuffer", kModule, "Error",
                       "ClearInBuffer(PurgeComm returned error: " + std::to_string(error));
    return SystemFailure(error);
  }
  return 0;
}

Status RS232RunTimeDataTermios::SetTimeout(uint32_t milliseconds) {
  readConstant_ = std::max(milliseconds, kShortestReadMs);
  return 0;
}

Status RS232RunTimeDataTermios::SetMinimumTimeout(uint32_t milliseconds) {
  if (milliseconds > readConstant_) return SetTimeout(milliseconds);
  return 0;
}

std::string RS232RunTimeDataTermios::ErrorText(Status status) const {
  if (status == openFailure_ && status != 0)
    return "The serial port cannot be opened: " + portName_ + ": " + systemerror::Text(status);
  if (systemerror::IsSystemStatus(status)) return systemerror::Text(status);
  return {};
}
