#include "drivers/zevo/ZevoSwt.h"

#include <cstdio>

#include "dialogs/PanelList.h"
#include "drivers/zevo/ZevoPanel.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "ZevoSwt";

// "Relais1Start" (during) … "Relais4Stop" (after).
std::string RelaisKey(int which, int index) {
  char key[32];
  std::snprintf(key, sizeof key, which == ZevoSwt::kDuring ? "Relais%ldStart" : "Relais%ldStop",
                static_cast<long>(index + 1));
  return key;
}
}  // namespace

uint32_t ZevoSwt::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  status = FirstError(status, RS232DeviceDriver::LoadProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  for (int which = 0; which < 2; ++which)
    for (int i = 0; i < kRelays; ++i)
      relays_[which][i] = static_cast<zevo::RelaisSettings>(store->Read(RelaisKey(which, i), static_cast<long>(relays_[which][i])));
  store->PopTable();
  return status;
}

uint32_t ZevoSwt::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  status = FirstError(status, RS232DeviceDriver::SaveProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  for (int which = 0; which < 2; ++which)
    for (int i = 0; i < kRelays; ++i) store->Write(RelaisKey(which, i), static_cast<long>(relays_[which][i]));
  store->PopTable();
  return status;
}

uint8_t ZevoSwt::StatusByte(const RelayStates& states) {
  uint8_t byte = 0;
  for (int i = 0; i < kRelays; ++i)
    if (states[i] != zevo::Off) byte = static_cast<uint8_t>(byte | (1u << i));
  return byte;
}

Status ZevoSwt::OpenPort() {
  // The box needs 9600 8N1 whatever the file says; the stored settings stay as they are.
  const BaudRate baudRate = GetBaudRate();
  const Parity parity = GetParity();
  const DataBits dataBits = GetDataBits();
  const StopBits stopBits = GetStopBits();
  const Status status = Open(Br9600, None, Data8, Stop1);
  SetBaudRate(baudRate);
  SetParity(parity);
  SetDataBits(dataBits);
  SetStopBits(stopBits);
  return status;
}

Status ZevoSwt::InitDevice(HostWindow) {
  Status status = OpenPort();
  if (!status) status = ClearOutputBuffer();
  if (!status) status = ClearInputBuffer();
  return status;
}

Status ZevoSwt::DeInitDevice(HostWindow) { return Close(); }

Status ZevoSwt::CheckDevice(HostWindow) {
  Status status = OpenPort();
  if (!status) status = ClearInputBuffer();
  if (!status) {
    // The box reports its relays by itself; one byte within five tries is enough.
    for (int attempt = 1; attempt <= kCheckTries; ++attempt) {
      timing.Wait(kCheckPauseMs);
      std::string byte;
      const Status read = Read(&byte, 1);
      if (!byte.empty()) {
        status = 0;
        break;
      }
      // A read that ends without a byte counts as the time-out it is.
      if (attempt == kCheckTries) status = read ? read : kShortRead;
    }
  }
  const Status closed = Close();
  return status ? status : closed;
}

Status ZevoSwt::SetRelays(int which) {
  if (which != kDuring && which != kAfter) return 0;
  const uint8_t sent = StatusByte(relays_[which]);
  // Without the echo of the state the box never confirmed it.
  Status status = kNoEcho;
  lastEcho_ = -1;
  for (int round = 1; round <= kRounds; ++round) {
    status = Write(std::string(1, static_cast<char>(sent)));
    if (status) break;
    timing.Wait(kSettleMs);
    ClearInputBuffer();
    timing.Wait(kClearedMs);
    std::string echo;
    status = Read(&echo, 1);
    if (status) break;
    status = kNoEcho;
    if (!echo.empty()) lastEcho_ = static_cast<uint8_t>(echo[0]);
    if (!echo.empty() && EchoMatches(sent, static_cast<uint8_t>(echo[0]))) {
      status = 0;
      JournexEntry::Note("SetRelays", kModule, "Note", "SetRelays(echo matched)",
                         {{"sent", static_cast<int>(sent)}, {"echo", static_cast<int>(static_cast<uint8_t>(echo[0]))},
                          {"round", round}});
      break;
    }
  }
  return status;
}

Status ZevoSwt::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_InitialisationStarted) return SetRelays(kDuring);
  if (*event == SWM_EVENT_TestStopped) return SetRelays(kAfter);
  return 0;
}

Status ZevoSwt::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) {
  if (err == kNoEcho) {
    char echo[16] = "none";
    if (lastEcho_ >= 0) std::snprintf(echo, sizeof echo, "0x%02X", static_cast<unsigned>(lastEcho_));
    char text[160];
    std::snprintf(text, sizeof text, "The relay box did not confirm its new state in %d rounds (last answer: %s).",
                  kRounds, echo);
    ClearTextBuffer(buffer, bufferSize, read);
    CopyTextToBuffer(text, buffer, bufferSize, read);
    return 0;
  }
  SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  if (read && *read != 0) return 0;
  return RS232DeviceDriver::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

Status ZevoSwt::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new ZevoPanel(*this); }, ZevoPanel::kName, ZevoPanel::kTitle});
  return AddConfigurationPanel(hWnd, panels);
}
