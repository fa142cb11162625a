#include "drivers/eutstatus/EUTVtxStatus.h"

#include <algorithm>
#include <cstdio>

#include "drivers/eutstatus/InformationItems.h"
#include "drivers/eutstatus/TestInformationReply.h"
#include "framework/HostEvents.h"
#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

namespace {
constexpr std::string_view kModule = "EUTVtxStatus";

std::string Formatted(const char* format, double value) {
  char text[128];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string WithoutLineEnds(std::string text) {
  std::erase(text, '\r');
  std::erase(text, '\n');
  return text;
}

}  // namespace

EUTVtxStatus::EUTVtxStatus() : queryTimeoutMilliseconds_(2000, storableMembers, kTable, "QueryTimeoutMilliseconds") {
  if (auto tcp = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(Manager().GetConfiguration("TCPIP")))
    tcp->SetAddress(kDefaultAddress);
  Manager().SetDefaultTypeName("TCPIP");
}

uint32_t EUTVtxStatus::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) store->PushTable(kTable);
  const uint32_t status = LoadConfigurableSettings(hostContext, store);
  if (store) store->PopTable();
  return FirstError(status, DeviceDriverBase::LoadProgramSettings(hostContext, store));
}

uint32_t EUTVtxStatus::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) store->PushTable(kTable);
  const uint32_t status = SaveConfigurableSettings(hostContext, store);
  if (store) store->PopTable();
  return FirstError(status, DeviceDriverBase::SaveProgramSettings(hostContext, store));
}

std::string EUTVtxStatus::EventLine(uint32_t event, double value) {
  switch (event) {
    case SWM_EVENT_TestStopped:
      return "TEST END\n";
    case SWM_EVENT_FrequencyChanged:
      return Formatted("FREQUENCY %lG HZ\n", value * 1000000.0);
    case SWM_EVENT_DwellTimeStarted:
      return "DWELLTIME START\n";
    case SWM_EVENT_DwellTimeStopped:
      return "DWELLTIME END\n";
    case SWM_EVENT_FieldSensorMeasured:
      return Formatted("FIELDSTRENGTH %lG V/M\n", value);
    case SWM_EVENT_TurnTableMovementStopped:
      return Formatted("TURNTABLE %lG DEGREES\n", value);
    case SWM_EVENT_AntennaPolarisationChanged:
      return value <= 1.0 ? "POLARIZATION HORIZONTAL\n" : "POLARIZATION VERTICAL\n";
    default:
      return "";
  }
}

Status EUTVtxStatus::HandleEvent(HostWindow, const uint32_t* event, const double* value) {
  if (!event) return 0;
  const bool valued = *event == SWM_EVENT_FrequencyChanged || *event == SWM_EVENT_FieldSensorMeasured ||
                      *event == SWM_EVENT_TurnTableMovementStopped || *event == SWM_EVENT_AntennaPolarisationChanged;
  if (valued && !value) return 0;
  const std::string line = EventLine(*event, valued ? *value : 0.0);
  return line.empty() ? 0 : Send(line, false);
}

Status EUTVtxStatus::InitDevice(HostWindow hWnd) {
  Status status = ConfigurableDeviceDriver::InitDevice(hWnd);
  if (status == 0) status = Send("TEST START\n", false);
  if (status == 0) status = SendEUTAndTestInformation();
  return status;
}

Status EUTVtxStatus::SendEUTAndTestInformation() {
  Status status = 0;
  if (SwmAutomation* eut = EUT()) {
    AutomationObject items;
    items.Adopt(eut->GetProperty("InformationItems"));
    status = SendInformationItems(items.Get(), "EUTINFO");
  }
  if (status == 0 && InformationItems()) status = SendInformationItems(InformationItems(), "TESTINFO");
  if (status == 0) status = QueryTestInformation();
  return status;
}

Status EUTVtxStatus::SendInformationItems(SwmAutomation* items, const std::string& keyword) {
  if (!items) return 0;
  const long count = automation::Count(*items);
  Status status = 0;
  for (long index = 0; index < count && status == 0; ++index) {
    AutomationObject item;
    item.Adopt(automation::Item(*items, index));
    if (!item) continue;
    std::string name = automation::TextProperty(*item.Get(), "Name");
    std::string value = automation::TextProperty(*item.Get(), "Value");
    if (name.empty() && value.empty()) continue;
    std::erase(name, '=');
    status = Send(keyword + " " + name + "=" + WithoutLineEnds(value), false);
  }
  return status;
}

Status EUTVtxStatus::StoreTestInformationItem(const std::string& name, const std::string& value) {
  SwmAutomation* items = InformationItems();
  if (!items) return 0;
  bool matched = false;
  const long count = automation::Count(*items);
  for (long index = 0; index < count; ++index) {
    AutomationObject item;
    item.Adopt(automation::Item(*items, index));
    if (!item || automation::TextProperty(*item.Get(), "Name") != name) continue;
    automation::SetTextProperty(*item.Get(), "Value", value);
    matched = true;
  }
  if (!matched) automation::AddItem(*items, name, value);
  JournexEntry::Note("StoreTestInformationItem", kModule, "Note", "StoreTestInformationItem(" + name + ")",
                     {{"name", name}, {"value", value}, {"added", !matched}});
  return 0;
}

Status EUTVtxStatus::QueryTestInformation() {
  const double remembered = GetTimeout(0);
  Status status = SetTimeout(0, queryTimeoutMilliseconds_ / 1000.0);
  if (status != 0) return status;
  if (InformationItems()) {
    if (!IsConnected()) status = ConnectStream(0, true);
    if (status == 0) status = Write(0, "TESTINFO?", false);
    // The whole reply must arrive within the query's time-out: a controller
    // that keeps sending lines does not keep the call for ever.
    const uint32_t started = timing.Now();
    const auto limit = static_cast<uint32_t>(std::max(0, queryTimeoutMilliseconds_.Value()));
    while (status == 0) {
      if (timing.Elapsed(started) >= limit) {
        status = kTestInformationUnending;
        JournexEntry::Note("QueryTestInformation", kModule, "Error",
                           "The controller was still sending test information when the time-out ended",
                           {{"Err", status}});
        break;
      }
      std::string reply;
      const Status read = Read(0, reply, kReplyLimit);
      reply = WithoutLineEnds(reply);
      if (read == streamstatus::kReadTimedOut && reply.empty()) break;
      if (read != 0 && read != streamstatus::kReadTimedOut) {
        status = read;
        break;
      }
      if (reply.empty()) break;
      if (const auto item = ParseTestInformationReply(reply)) StoreTestInformationItem(item->name, item->value);
      if (read == streamstatus::kReadTimedOut) break;
    }
  }
  SetTimeout(0, remembered);
  return status;
}

Status EUTVtxStatus::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                    uint32_t* read) {
  if (err == kTestInformationUnending) {
    ClearTextBuffer(buffer, bufferSize, read);
    CopyTextToBuffer("The EUT controller was still sending test information (TESTINFO lines) when the query's "
                     "time-out (QueryTimeoutMilliseconds) ended.",
                     buffer, bufferSize, read);
    return 0;
  }
  return ConfigurableDeviceDriver::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

Status EUTVtxStatus::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  return ConfigurableDeviceDriver::AddConfigurationDialogPanels(hWnd, panels);
}
