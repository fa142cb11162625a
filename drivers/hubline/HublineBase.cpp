#include "drivers/hubline/HublineBase.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <regex>
#include <string_view>

#include "drivers/hubline/HublineDialogPanels.h"
#include "framework/RetryCounterErrorcode.h"
#include "framework/SwitchMatrixBase.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamLocker.h"
#include "streams/DeviceStreamStatus.h"

namespace {
constexpr std::string_view kModule = "HublineBase";
constexpr const char* kTransports[] = {"VISA", "USB", "TCPIP", "GPIB", "RS-232"};
constexpr const char* kCommunicationNames[] = {"RS-232", "GPIB", "USB", "VISA", "TCPIP"};
constexpr double kProbeTimeoutSeconds = 10.0;
std::atomic<int> errorCheckNesting{0};

bool IsSuccess(Status status) { return status == 0 || status == streamstatus::kReadTimedOut; }

std::string StripLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

// The number of a reply that begins (after blanks and line ends) with ":E",
// ":SYST:ERR" or "ERROR" (these two followed by any blanks and "_"), then
// an integer; else 0. Read by hand: every reply of every exchange passes
// here, and a regular expression costs more than the exchange's own work.
long ErrorNumberAtStart(std::string_view reply) {
  const size_t first = reply.find_first_not_of(" \n\r");
  if (first == std::string_view::npos) return 0;
  std::string_view rest = reply.substr(first);
  if (rest.starts_with(":E")) {
    rest.remove_prefix(2);
  } else if (rest.starts_with(":SYST:ERR") || rest.starts_with("ERROR")) {
    rest.remove_prefix(rest[0] == ':' ? 9 : 5);
    while (!rest.empty() && (rest[0] == ' ' || rest[0] == '_')) rest.remove_prefix(1);
  } else {
    return 0;
  }
  const size_t sign = !rest.empty() && (rest[0] == '+' || rest[0] == '-') ? 1 : 0;
  size_t end = sign;
  while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9') ++end;
  if (end == sign) return 0;
  // Its first twelve characters count, as many as a long holds safely.
  return std::stol(std::string(rest.substr(0, std::min<size_t>(end, 12))));
}

void Log(std::string_view function, std::string_view type, std::string_view text) {
  JournexEntry::Note(function, kModule, type, text);
}
}  // namespace

template <class Matrix>
HublineBase<Matrix>::HublineBase(const std::string& expectedIdentification)
    : deviceID_(wxString("1"), this->storableMembers, "Common", "DeviceID"),
      centreType_(0, this->storableMembers, "Common", "CentreType"),
      showSoftwareUpdatePanel_(true, this->storableMembers, "Common", "ShowSoftwareUpdatePanel"),
      retryDelayMilliseconds_(0, this->storableMembers, "Common", "RetryDelayMilliseconds") {
  for (const char* transport : kTransports) Manager().AddStreamConfiguration(transport);
  Manager().SetDefaultTypeName("GPIB");
  SetExpectedResponse(expectedIdentification);
}

template <class Matrix>
bool HublineBase<Matrix>::TransportIs(const std::string& name) const {
  return Manager().GetSelectedTypeName() == name;
}

template <class Matrix>
uint32_t HublineBase<Matrix>::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = Matrix::LoadProgramSettings(hostContext, store);
  uint32_t streamStatus = DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store);
  if (status == 0) status = streamStatus;
  if (store) {
    store->PushTable("Common");
    long kind = store->Read("Communication", -1L);
    store->PopTable();
    // The code selects its transport when this card offers it; GPIB may be
    // offered in its compliant form.
    std::string name = kind >= 0 && kind <= 4 ? kCommunicationNames[kind] : "";
    if (kind == 1 && !Manager().GetConfiguration(name)) name = "CompliantGPIB";
    if (!name.empty() && Manager().GetConfiguration(name)) {
      communication_ = static_cast<int>(kind);
      Manager().SetSelectedTypeName(name);
    }
  }
  deviceID_ = wxString(NormalisedDeviceID(DeviceID()));
  return status;
}

template <class Matrix>
uint32_t HublineBase<Matrix>::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = Matrix::SaveProgramSettings(hostContext, store);
  uint32_t streamStatus = DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store);
  if (status == 0) status = streamStatus;
  if (store) {
    // RS-232 0, GPIB (and compliant GPIB) 1, USB 2, VISA 3, TCPIP 4. A
    // transport without a code is written as -1, which loading ignores, so
    // that "Selected" alone names it.
    const std::string selected = Manager().EffectiveTypeName();
    long kind = selected == "CompliantGPIB" ? 1 : -1;
    for (long i = 0; i < 5; ++i)
      if (selected == kCommunicationNames[i]) kind = i;
    store->PushTable("Common");
    store->Write("Communication", kind);
    store->PopTable();
  }
  return status;
}

template <class Matrix>
Status HublineBase<Matrix>::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  return AddHublineDialogPanels(*this, hWnd, panels);
}

template <class Matrix>
std::string HublineBase<Matrix>::NormalisedDeviceID(const std::string& text) const {
  // Blanks, a whole number (its first nine characters count), spaces and an
  // optional letter. Read by hand: the value comes from a file and may be of
  // any length, which a backtracking regular expression would recurse over.
  int number = 1;
  char letter = 0;
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  const size_t start = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  const size_t digits = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  if (at > digits) {
    number = std::stoi(text.substr(start, std::min<size_t>(at - start, 9)));
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && isLetter(text[at])) letter = text[at];
  }
  number = std::clamp(number, 1, 8);
  std::string suffix;
  int subDevices = SubDevicesPerSlot();
  if (subDevices > 1) {
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter ? letter : 'A')));
    suffix = std::string(1, std::clamp(upper, 'A', static_cast<char>('@' + subDevices)));
  }
  return std::to_string(number) + suffix;
}

template <class Matrix>
Status HublineBase<Matrix>::Reconnected() {
  if (StreamOpen()) return 0;
  if (!initialised_) return kNotOpen;
  // The unit closed the connection since InitDevice (a network unit that was
  // restarted, or a dropped link): open it again rather than skip the command,
  // and redo what InitDevice did on it (a restarted unit has forgotten its
  // keyboard lock, and its firmware version may have changed).
  Log("Reconnected", "Warning", "Reconnecting a stream that closed after InitDevice");
  const Status status = InitDevice(0);
  return status != 0 ? status : StreamOpen() ? 0 : kNotOpen;
}

template <class Matrix>
Status HublineBase<Matrix>::WriteRaw(const std::string& text) {
  if (!StreamOpen()) {
    Log("Write", "Error", "UnableToSendWhileClosed(" + text + ")");
    return kNotOpen;
  }
  Status status = DeviceStreamClientWithStream::Write(0, text, false);
  if (status == 0) commandSent_ = true;
  return status;
}

template <class Matrix>
Status HublineBase<Matrix>::Write(const std::string& command) {
  if (!MultislotAddressing()) return WriteRaw(command);
  std::string separator = !command.empty() && command[0] == ':' ? "" : AddressSeparator();
  return WriteRaw(AddressPrefix() + workingID_ + separator + command);
}

template <class Matrix>
Status HublineBase<Matrix>::Read(std::string& reply, size_t maximum, bool check) {
  reply.clear();
  if (!StreamOpen()) {
    Log("Read", "Error", "ReadingOnClosedConnection");
    return kNotOpen;
  }
  if (pauseBeforeReading_ && (TransportIs("GPIB") || TransportIs("VISA"))) this->timing.Wait(25);
  maximum = std::min(maximum, kMaxReply);
  double savedTimeout = GetTimeout(0);
  bool lowered = watchEarlyEnd_ && savedTimeout > 1.0;
  if (lowered) SetTimeout(0, 1.0);
  Status status = 0;
  while (reply.size() < maximum) {
    std::string chunk;
    status = DeviceStreamClientWithStream::Read(0, chunk, maximum - reply.size());
    reply += chunk;
    if (!IsSuccess(status) || chunk.empty() || status == 0) break;
    if (watchEarlyEnd_ && reply.back() == '\n') {
      watchEarlyEnd_ = false;
      break;
    }
  }
  if (watchEarlyEnd_ && !reply.empty() && reply.back() == '\n') watchEarlyEnd_ = false;
  if (lowered) SetTimeout(0, savedTimeout);
  if (!IsSuccess(status)) return status;
  if (!check) return 0;
  reply = StripLineEnds(reply);
  return CheckResponseForErrors(reply);
}

template <class Matrix>
Status HublineBase<Matrix>::SendCommand(const std::string& command, std::string& reply, uint32_t attempts) {
  RetryCounterErrorcode counter(attempts);
  Status status = 0;
  while (!counter.IsDone()) {
    status = Reconnected();
    if (status == 0) {
      ::DeviceStreamLocker<DeviceStreamClientWithStream> locker(*this, 0);
      status = locker.Lock(GetTimeout(0));
      if (status == 0) {
        ClearInputBuffers(0);
        status = Write(command);
        if (status == 0) status = Read(reply, 150, true);
      }
    }
    if (IsSuccess(status)) {
      counter.Succeeded();
      break;
    }
    counter.SetErrorcode(status);
    counter.Next();
    if (!counter.IsDone() && retryDelayMilliseconds_ > 0)
      this->timing.Wait(static_cast<uint32_t>(retryDelayMilliseconds_.Value()));
  }
  return status;
}

template <class Matrix>
long HublineBase<Matrix>::ParseResponseForError(const std::string& reply) {
  long number = 0;
  if (reply.find("-222, \"Data out of range\"") != std::string::npos) {
    number = 222;
  } else {
    number = ErrorNumberAtStart(reply);
  }
  if (number != 0) Log("ParseResponseForError", "Note", "Found error number " + std::to_string(number));
  return number;
}

template <class Matrix>
Status HublineBase<Matrix>::CheckResponseForErrors(const std::string& reply) {
  struct Nesting {
    Nesting() { ++errorCheckNesting; }
    ~Nesting() { --errorCheckNesting; }
  } nesting;
  if (errorCheckNesting >= 6) {
    Log("CheckResponseForErrors", "Error", "RecursiveError");
    return kRecursion;
  }
  if (reply.empty()) return kNoResponse;
  long number = ParseResponseForError(reply);
  if (number == 0) return 0;
  return GetSystemErrorDescriptionFromDevice(number);
}

template <class Matrix>
Status HublineBase<Matrix>::DeviceErrorStatus(long number) {
  return static_cast<Status>(number < 1000 ? kDeviceErrorBase + number : kDeviceErrorHighBase + number);
}

template <class Matrix>
bool HublineBase<Matrix>::DeviceErrorNumber(Status status, long& number) {
  if (status >= kDeviceErrorBase && status <= 0x30003E7F) {
    number = static_cast<long>(status - kDeviceErrorBase);
    return true;
  }
  if (status >= kDeviceErrorHighBase && status <= 0x3000AAB3) {
    number = static_cast<long>(status - kDeviceErrorHighBase);
    return true;
  }
  return false;
}

template <class Matrix>
Status HublineBase<Matrix>::GetSystemErrorDescriptionFromDevice(long number) {
  if (number == 0) return 0;
  if (MultislotAddressing() && !(version_ < Version(4, 0, 0)) && StreamOpen()) {
    std::string reply;
    Status status = WriteRead(0, "EXTRAINFO ERROR " + std::to_string(number) + "\n", reply, kMaxReply, 1);
    reply = StripLineEnds(reply);
    if (IsSuccess(status) && !reply.empty()) {
      long replied = ParseResponseForError(reply);
      if (replied == number || replied == 0) {
        errorDescription_ = reply;
        descriptionValid_ = true;
      }
    }
  }
  deviceErrorPending_ = true;
  return DeviceErrorStatus(number);
}

template <class Matrix>
std::string HublineBase<Matrix>::SystemErrorMessage(Status status) const {
  long number = 0;
  if (!DeviceErrorNumber(status, number)) return "";
  std::string text = "Device returned system error code: " + std::to_string(number) + ".\n";
  if (descriptionValid_) text += "Description: " + errorDescription_ + ".\n";
  return text + "Please check the manual of your device to determine the exact cause.";
}

template <class Matrix>
std::string HublineBase<Matrix>::HublineErrorText(Status status) {
  switch (status) {
    case kNoResponse:
      return "Hubline did not return a response.";
    case kFirmwareIncompatible:
      return "The Hubline firmware is not compatible with communication method, and needs to be updated";
    case kMultislotNeedsUpdate:
      return "This multislot Hubline requires a firmware update before the firmware of a device can be "
             "updated";
    default:
      break;
  }
  long number = 0;
  if (!deviceErrorPending_ || !DeviceErrorNumber(status, number)) return "";
  std::string text = SystemErrorMessage(status);
  deviceErrorPending_ = false;
  descriptionValid_ = false;
  return text;
}

template <class Matrix>
Status HublineBase<Matrix>::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                           uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text = HublineErrorText(err);
  if (text.empty()) DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return Matrix::GetErrorString(hWnd, err, buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

template <class Matrix>
Status HublineBase<Matrix>::InitDevice(HostWindow hWnd) {
  Status status = StreamOpen() ? 0 : ConnectStream(hWnd, true);
  if (status != 0) return status;
  initialised_ = true;
  workingID_ = DeviceID();
  if (MultislotAddressing()) {
    this->timing.Wait(200);
    double savedTimeout = GetTimeout(0);
    SetTimeout(0, kProbeTimeoutSeconds);
    bool slowTransport = !TransportIs("RS-232") && !TransportIs("USB");
    RetryCounterErrorcode counter(3);
    while (!counter.IsDone()) {
      status = WriteRaw("*IDN?\n");
      if (status == 0 && slowTransport) pauseBeforeReading_ = true;
      std::string reply;
      if (status == 0) {
        this->timing.Wait(50);
        status = Read(reply, 100, true);
      }
      if (!IsSuccess(status)) {
        counter.SetErrorcode(status);
        counter.Next();
        continue;
      }
      status = 0;
      counter.Succeeded();
      static const std::regex pattern(".*(?:Hubline|EMCenter).*version ([0-9\\.]+)");
      std::smatch match;
      if (!std::regex_search(reply, match, pattern)) break;
      version_ = Version(match[1].str());
      if (slowTransport) pauseBeforeReading_ = version_ < Version(1, 3, 0);
      if (!(version_ < Version(1, 12, 2))) {
        keyboardLockUsed_ = true;
        SetKeyboardLock(true);
      }
      // The VISA socket resource cannot talk to firmware 4.0.0 to 4.0.8.
      if (TransportIs("VISA") && GetSelectedStreamID().find("::SOCKET") != std::string::npos &&
          !(version_ < Version(4, 0, 0)) && !(Version(4, 0, 8) < version_))
        status = kFirmwareIncompatible;
    }
    SetTimeout(0, savedTimeout);
  }
  if (centreType_ == 3 && (TransportIs("GPIB") || TransportIs("VISA"))) pauseBeforeReading_ = true;
  return status;
}

template <class Matrix>
Status HublineBase<Matrix>::InternalCheckDevice(HostWindow hWnd) {
  Status status = InitDevice(hWnd);
  if (status != 0) return status;
  workingID_ = DeviceID();
  double savedTimeout = GetTimeout(0);
  SetTimeout(0, kProbeTimeoutSeconds);
  std::string query = GetIdentificationQuery();
  if (query.empty() || query.back() != '\n') query += "\n";
  bool matched = false;
  Status identification = 0, transfer = 0;
  while (!matched) {
    for (int i = 0; i < 5 && !matched; ++i) {
      std::string reply;
      transfer = SendCommand(query, reply, 3);
      if (!IsSuccess(transfer)) continue;
      transfer = 0;
      identification = CheckIdentificationAnswer(reply);
      matched = identification == 0;
    }
    if (matched || SubDevicesPerSlot() <= 1 || workingID_.size() <= 1) break;
    workingID_.pop_back();
  }
  if (matched) AfterStreamConnectConfiguration(hWnd);
  SetTimeout(0, savedTimeout);
  Status result = 0;
  if (!matched && !deviceErrorPending_) result = identification ? identification : transfer ? transfer : kNotOpen;
  else if (!matched) result = transfer;
  Status deinit = DeInitDevice(hWnd);
  return result != 0 ? result : deinit;
}

template <class Matrix>
Status HublineBase<Matrix>::DeInitDevice(HostWindow hWnd) {
  Status status = 0;
  if (commandSent_) status = ReturnToLocal(hWnd);
  initialised_ = false;
  Status closed = StreamOpen() ? DisconnectStream(hWnd) : 0;
  return status != 0 ? status : closed;
}

template <class Matrix>
bool HublineBase<Matrix>::MayReturnToLocal() const {
  return mayReturnToLocal_ && (centreType_ == 0 || centreType_ == 1 || centreType_ == 3);
}

template <class Matrix>
Status HublineBase<Matrix>::SetKeyboardLock(bool on) {
  if (!StreamOpen()) return kNotOpen;
  double savedTimeout = GetTimeout(0);
  Status status = WriteRaw(on ? "SYSTEM:KLOCK 1\n" : "SYSTEM:KLOCK 0\n");
  std::string reply;
  if (status == 0) {
    this->timing.Wait(30);
    status = Read(reply, 100, false);
  }
  if (IsSuccess(status) && reply.find("OK") == std::string::npos) {
    status = WriteRaw("SYSTEM:KLOCK?\n");
    if (status == 0) {
      this->timing.Wait(30);
      status = Read(reply, 100, false);
      if (IsSuccess(status) && !std::regex_search(reply, std::regex("(0|1|ON|OFF)"))) status = kNoResponse;
    }
  }
  SetTimeout(0, savedTimeout);
  return IsSuccess(status) ? 0 : status;
}

template <class Matrix>
Status HublineBase<Matrix>::SendLocal(const std::string& id) {
  std::string saved = workingID_;
  workingID_ = id;
  std::string reply;
  Status status = SendCommand("LOCAL\n", reply, 1);
  workingID_ = saved;
  if (IsSuccess(status) && centreType_ != 3) {
    status = WriteRaw("LOCAL\n");
    if (status == 0) status = Read(reply, 100, false);
  }
  return IsSuccess(status) ? 0 : status;
}

template <class Matrix>
Status HublineBase<Matrix>::ReturnToLocal(HostWindow hWnd) {
  if (!MayReturnToLocal()) return 0;
  bool openedHere = false;
  if (!StreamOpen()) {
    Status status = InitDevice(hWnd);
    if (status != 0) return status;
    openedHere = true;
  }
  double savedTimeout = GetTimeout(0);
  if (keyboardLockUsed_) SetKeyboardLock(false);
  std::string id = workingID_;
  Status status = SendLocal(id);
  while (status != 0 && SubDevicesPerSlot() > 1 && id.size() > 1) {
    id.pop_back();
    status = SendLocal(id);
  }
  commandSent_ = false;
  SetTimeout(0, savedTimeout);
  if (openedHere) DisconnectStream(hWnd);
  return status;
}

template class HublineBase<SwitchMatrixBase>;
