#include "drivers/osd/mkMesstechnik_OSD.h"

#include "drivers/osd/OSDAnswer.h"
#include "drivers/osd/mkMesstechnikOSDPanels.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {
namespace {
constexpr std::string_view kModule = "mkMesstechnik_OSD";
constexpr const char* kTransports[] = {"TCPIP", "UDP", "RS-232"};
constexpr const char* kDefaultTexts[mkMesstechnik_OSD::kTextItems] = {
    "Freq: __freq__ MHz",    "Psig: __carrier__ dBm",      "Pfwd: __fwdpower__ dBm",
    "Prfl: __rflpower__ dBm", "E 1 : __fieldsensor__ V/m", "Eavg: __averagefield__ V/m",
    "ZEVO",                   "mk Messtechnik",            "CalcField: __calcfield__  V/m",
    "Polarisation: __polarisation__"};
}  // namespace

mkMesstechnik_OSD::mkMesstechnik_OSD() {
  for (int i = 0; i < kTextItems; ++i) texts_[i] = std::make_unique<parameterOSDSettingsText>(i + 1, kDefaultTexts[i]);
  for (const char* transport : kTransports) Manager().AddStreamConfiguration(transport);
  Manager().SetDefaultTypeName("TCPIP");
  PresetNetworkAddress();
}

void mkMesstechnik_OSD::PresetNetworkAddress() {
  if (auto network = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(Manager().GetConfiguration("TCPIP")))
    if (network->GetAddress().empty()) network->SetAddress(kDefaultAddress);
}

Status mkMesstechnik_OSD::DefaultStreamConfiguration(uint32_t hostContext) {
  PresetNetworkAddress();
  return DeviceStreamClientWithStream::DefaultStreamConfiguration(hostContext);
}

std::vector<parameterOSDSettingsBase*> mkMesstechnik_OSD::Items() {
  std::vector<parameterOSDSettingsBase*> items;
  for (auto& text : texts_) items.push_back(text.get());
  items.push_back(&date_);
  items.push_back(&time_);
  return items;
}

uint32_t mkMesstechnik_OSD::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  status = FirstError(status, DeviceStreamClientWithStream::LoadProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  DeviceName = store->ReadNarrow("DeviceName", DeviceName);
  CameraID = store->ReadNarrow("CameraID", CameraID);
  PauseDetectionOutOfDwellTime = store->Read("PauseDetectionOutOfDwellTime", PauseDetectionOutOfDwellTime);
  ResumeAction = static_cast<emkMesstechnikOSD_ResumeActions>(store->Read("ResumeAction", static_cast<long>(ResumeAction)));
  store->PopTable();
  for (parameterOSDSettingsBase* item : Items()) item->Load(*store);
  return status;
}

uint32_t mkMesstechnik_OSD::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  status = FirstError(status, DeviceStreamClientWithStream::SaveProgramSettings(hostContext, store));
  if (!store) return status;
  store->PushTable(kTable);
  store->WriteNarrow("DeviceName", DeviceName);
  store->WriteNarrow("CameraID", CameraID);
  store->Write("PauseDetectionOutOfDwellTime", PauseDetectionOutOfDwellTime);
  store->Write("ResumeAction", static_cast<long>(ResumeAction));
  store->PopTable();
  for (parameterOSDSettingsBase* item : Items()) item->Save(*store);
  return status;
}

Status mkMesstechnik_OSD::Command(const std::string& command) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  if (unitSilent_) return Write(0, command, false);
  std::string answer;
  const Status status = WriteRead(0, command, answer, kReplyLimit, 0);
  if (status) return status;
  if (answer.empty()) {
    // A unit that lets one command go unanswered is not waited for again
    // until the next connection.
    unitSilent_ = true;
    JournexEntry::Note("Command", kModule, "Warning", "The unit does not answer: commands are no longer confirmed",
                       {{"command", command}});
    return 0;
  }
  long number = 0;
  if (!MKMESSTECHNIK_OSD::DeviceErrorInAnswer(answer, &number)) return 0;
  JournexEntry::Note("Command", kModule, "Error", "Command(\"" + command + "\")", {{"answer", answer}, {"error", number}});
  return DeviceErrorStatus(number);
}

Status mkMesstechnik_OSD::ClearScreen() {
  const Status status = Command("OSD:CLR 255 " + CameraID);
  timing.Wait(kClearPauseMs);
  for (parameterOSDSettingsBase* item : Items()) item->ScreenCleared();
  return status;
}

Status mkMesstechnik_OSD::InitDevice(HostWindow hWnd) {
  Status status = IsConnected() ? 0 : ConnectStream(hWnd, true);
  if (status || !IsConnected()) {
    // Why it failed is in the log; the host learns that the stream is not open.
    JournexEntry::Note("InitDevice", kModule, "Error", "InitDevice(stream not open)", {{"Err", status}});
    return streamstatus::kNotConnected;
  }
  unitSilent_ = false;
  if ((status = ClearScreen())) return status;
  if (PauseDetectionOutOfDwellTime && !paused_) {
    if ((status = Command("MDX:PAUSE"))) return status;
    paused_ = true;
  }
  return 0;
}

Status mkMesstechnik_OSD::DeInitDevice(HostWindow hWnd) {
  Status status = 0;
  if (IsConnected()) status = ClearScreen();
  return FirstError(status, DisconnectStream(hWnd));
}

Status mkMesstechnik_OSD::UpdateItems() {
  for (auto& text : texts_) text->SetSubstituted(table_.Substitute(text->TextString));
  for (parameterOSDSettingsBase* item : Items())
    for (const std::string& command : item->Update(CameraID))
      if (const Status status = Command(command)) return status;
  return 0;
}

Status mkMesstechnik_OSD::HandleEvent(HostWindow, const uint32_t* event, const double* value) {
  if (!event) return 0;
  const uint32_t number = *event;
  if (number == SWM_EVENT_TestStarted || number == SWM_EVENT_TestStopped)
    JournexEntry::Note("HandleEvent", kModule, "Note", "Clearing all available text settings");
  // Event 62 carries a text, not a number: its value is never read as one.
  const bool changed = table_.Apply(number, value && number != SWM_EVENT_SendPilotInterfaceData ? *value : 0.0);
  Status status = 0;
  // A command on a stream that is not connected fails (Command): nothing is skipped silently.
  if (PauseDetectionOutOfDwellTime) {
    if (number == SWM_EVENT_DwellTimeStarted && paused_) {
      status = Command("MDX:RESUMEALL " + std::to_string(static_cast<int>(ResumeAction)));
      if (!status) paused_ = false;
    } else if (number == SWM_EVENT_DwellTimeStopped && !paused_) {
      status = Command("MDX:PAUSE");
      if (!status) paused_ = true;
    }
  }
  if (status) return status;
  // The first update after the screen was cleared draws every item.
  if (changed || number == SWM_EVENT_TestStarted) return UpdateItems();
  return 0;
}

Status mkMesstechnik_OSD::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                         uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text;
  if (IsDeviceError(err))
    text = "Device returned Error code: " + std::to_string(err - kDeviceErrorBase) +
           "\nPlease check the manual of your device to determine the exact cause.";
  if (text.empty()) DeviceStreamClientWithStream::GetErrorString(hWnd, err, text);
  if (text.empty()) return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

Status mkMesstechnik_OSD::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  panels.Add({[this] { return new mkMesstechnikOSDCommunicationPanel(*this); },
              mkMesstechnikOSDCommunicationPanel::kName, mkMesstechnikOSDCommunicationPanel::kTitle});
  panels.Add({[this] { return new mkMesstechnikOSDConfigurationPanel(*this); },
              mkMesstechnikOSDConfigurationPanel::kName, mkMesstechnikOSDConfigurationPanel::kTitle});
  return CreateStreamConfigurationPanels(hWnd, panels);
}

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD
