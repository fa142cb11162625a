#include "legacy/RS232DeviceDriver.h"

#include <wx/regex.h>

#include <algorithm>

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/TextBuffer.h"
#include "framework/Timing.h"
#include "legacy/RS232ConfigurationPanel.h"
#include "legacy/RS232RunTimeDataTermios.h"
#include "legacy/RS232RunTimeDataVISA.h"
#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "platform/FileAccess.h"
#include "platform/SerialPort.h"

namespace {
constexpr std::string_view kModule = "RS232DeviceDriver";
}  // namespace

RS232DeviceDriver::~RS232DeviceDriver() { Close(); }

std::wstring RS232DeviceDriver::PortLockName(int comPort) { return DeviceLockName(SerialPort::DevicePath(comPort)); }

std::wstring RS232DeviceDriver::DeviceLockName(const std::string& devicePath) {
  const std::string device = CanonicalPath(devicePath);
  return L"Global\\VANTORIX:PORT:" + std::wstring(device.begin(), device.end());
}

void RS232DeviceDriver::ChooseImplementation() {
  const int wanted = settings_.devicePath.empty() ? GetImplementation() : kNativeImplementation;
  if (runTime_ && runTimeImplementation_ == wanted) return;
  runTime_.reset();
  runTimeImplementation_ = wanted;
  // A device path is opened with the system's functions: VISA knows COM ports only.
  if (GetImplementation() != kNativeImplementation && settings_.devicePath.empty() &&
      RS232RunTimeDataVISA::Available()) {
    runTime_ = std::make_unique<RS232RunTimeDataVISA>();
  } else {
    if (GetImplementation() != kNativeImplementation)
      JournexEntry::Note("ChooseImplementation", kModule, "Note",
                         "No VISA library: the port is opened with the native serial functions");
    runTime_ = std::make_unique<RS232RunTimeDataTermios>();
  }
}

Status RS232DeviceDriver::Open() {
  Close();
  lockNameOfOpening_ = false;
  ChooseImplementation();
  settings_.comPort = GetCOMPort();
  settings_.baudRate = GetBaudRate();
  settings_.parity = GetParity();
  settings_.dataBits = GetDataBits();
  settings_.stopBits = GetStopBits();
  JournexEntry entry("Open", kModule);
  entry.LogBegin("Note", "Open(COM" + std::to_string(settings_.comPort) + ")",
                 {{"COMPort", settings_.comPort}, {"Baudrate", settings_.baudRate}, {"DataBits", settings_.dataBits},
                  {"Parity", settings_.parity}, {"StopBits", settings_.stopBits},
                  {"Implementation", std::string(runTime_->Name())}});
  Status status = runTime_->Open(settings_);
  if (!status) status = runTime_->SetTimeout(timeout_);
  if (status) runTime_->Close();
  entry.LogEnd(status ? "Error" : "Complete", {}, {{"Err", status}});
  return status;
}

Status RS232DeviceDriver::Open(BaudRate baudRate, Parity parity, DataBits dataBits, StopBits stopBits) {
  SetBaudRate(baudRate);
  SetParity(parity);
  SetDataBits(dataBits);
  SetStopBits(stopBits);
  return Open();
}

Status RS232DeviceDriver::Close() {
  if (!runTime_) return 0;
  return runTime_->Close();
}

std::string RS232DeviceDriver::PortName() const {
  return settings_.devicePath.empty() ? "COM" + std::to_string(settings_.comPort) : settings_.devicePath;
}

bool RS232DeviceDriver::IsOpen() const { return runTime_ && runTime_->IsOpen(); }

std::string RS232DeviceDriver::ImplementationName() const { return runTime_ ? runTime_->Name() : ""; }

Status RS232DeviceDriver::Write(const std::string& text) {
  if (!IsOpen()) return kNotOpen;
  const Status status = runTime_->Write(text);
  if (JournexEntry::Enabled())
    JournexEntry::Note("Write", kModule, status ? "Error" : "Note", "Write(\"" + text.substr(0, 80) + "\")",
                       {{"count", text.size()}, {"Err", status}, {"Stream", PortName()}, {"WireSent", WireHex(text)}});
  return status;
}

Status RS232DeviceDriver::Read(std::string* text, size_t count) {
  text->clear();
  if (!IsOpen()) return kNotOpen;
  const Status status = runTime_->Read(text, count);
  if (JournexEntry::Enabled())
    JournexEntry::Note("Read", kModule, status ? "Error" : "Note", "Read(\"" + text->substr(0, 80) + "\")",
                       {{"count", count}, {"read", text->size()}, {"Err", status}, {"Stream", PortName()},
                        {"WireReceived", WireHex(*text)}});
  return status;
}

Status RS232DeviceDriver::OptimizedRead(std::string* text, size_t count, uint32_t timeoutMs,
                                        const std::string& terminator, const std::string& pattern) {
  text->clear();
  if (!IsOpen()) return kNotOpen;
  wxRegEx expression;
  const bool withPattern = !pattern.empty() && expression.Compile(wxString::FromUTF8(pattern), wxRE_ADVANCED);
  const auto finished = [&] {
    if (text->size() >= count) return true;
    if (text->empty()) return false;
    if (!terminator.empty() && text->ends_with(terminator)) return true;
    if (settings_.lineEndTerminates && (text->back() == '\n' || text->back() == '\r')) return true;
    return withPattern && expression.Matches(wxString::From8BitData(text->data(), text->size()));
  };
  const Timing timing;
  const uint32_t start = timing.Now();
  Status status = 0;
  for (;;) {
    const uint32_t left = timing.Remaining(start, timeoutMs);
    if (left == 0) {
      status = kShortRead;
      break;
    }
    // Part of the time is kept back, so that the last wait ends before the time-out.
    const uint32_t wait = std::max<uint32_t>(1, left - left / 10);
    const Status part = runTime_->ReadSome(text, count - text->size(), wait);
    if (part && part != kShortRead) {
      status = part;
      break;
    }
    if (finished()) break;
  }
  if (JournexEntry::Enabled())
    JournexEntry::Note("OptimizedRead", kModule, status ? "Error" : "Note",
                       "OptimizedRead(\"" + text->substr(0, 80) + "\")",
                       {{"count", count}, {"read", text->size()}, {"timeout", timeoutMs}, {"Err", status},
                        {"Stream", PortName()}, {"WireReceived", WireHex(*text)}});
  return status;
}

Status RS232DeviceDriver::ClearInputBuffer() {
  if (!IsOpen()) return kNotOpen;
  return runTime_->ClearInputBuffer();
}

Status RS232DeviceDriver::InputQueueCount(size_t* count) {
  *count = 0;
  if (!IsOpen()) return kNotOpen;
  return runTime_->InputQueueCount(count);
}

Status RS232DeviceDriver::ClearOutputBuffer() {
  if (!IsOpen()) return kNotOpen;
  return runTime_->ClearOutputBuffer();
}

Status RS232DeviceDriver::SetTimeout(uint32_t milliseconds) {
  timeout_ = milliseconds;
  return runTime_ ? runTime_->SetTimeout(milliseconds) : 0;
}

Status RS232DeviceDriver::SetMinimumTimeout(uint32_t milliseconds) {
  if (milliseconds > timeout_) timeout_ = milliseconds;
  return runTime_ ? runTime_->SetMinimumTimeout(milliseconds) : 0;
}

Status RS232DeviceDriver::Lock(uint32_t milliseconds) {
  // The device is resolved once per opening: while the port is open, its
  // link may change (an adapter plugged in again) without changing the
  // device this object talks to.
  if (!lockNameOfOpening_ || !IsOpen()) {
    const std::wstring name =
        settings_.devicePath.empty() ? PortLockName(GetCOMPort()) : DeviceLockName(settings_.devicePath);
    if (lockedName_ != name) {
      lock_.SetName(name);
      lockedName_ = name;
    }
    lockNameOfOpening_ = IsOpen();
  }
  return lock_.Lock(milliseconds);
}

Status RS232DeviceDriver::Unlock() { return lock_.IsCreated() ? lock_.Unlock() : 0; }

Status RS232DeviceDriver::AddConfigurationPanel(HostWindow, PanelList& panels) {
  RS232Configuration* configuration = this;
  panels.Add({[configuration] { return new RS232ConfigurationPanel(configuration); }, "RS232Configuration", "RS232"});
  return 0;
}

Status RS232DeviceDriver::ShowConfigurationDialog(HostWindow hWnd) {
  PanelList panels;
  AddConfigurationPanel(hWnd, panels);
  return ShowTabbedDialog(hWnd, "RS232 Configuration", panels);
}

Status RS232DeviceDriver::GetErrorString(HostWindow, uint32_t status, char* buffer, uint32_t bufferSize,
                                         uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text;
  switch (status) {
    case kNotOpen:
      text = "The serial port is not open: " +
             (settings_.devicePath.empty() ? SerialPort::Mapping(GetCOMPort()) : settings_.devicePath) +
             " (initialise the driver; its opening may have failed).";
      break;
    case kNotAllWritten: text = "Not all characters could be sent over the serial port."; break;
    case kShortRead: text = "Fewer characters were received over the serial port than expected (time-out)."; break;
    default:
      if (runTime_) text = runTime_->ErrorText(status);
      if (text.empty()) text = RS232RunTimeDataTermios().ErrorText(status);
      if (text.empty()) text = VisaBase().ErrorText(status);
      break;
  }
  if (!text.empty()) CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}
