#include "framework/DeviceDriverBase.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/StatusText.h"
#include "framework/TextBuffer.h"
#include "framework/ToleranceCompare.h"
#include "framework/Version.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"

namespace {
constexpr std::string_view kModule = "DeviceDriverBase";

Status LogDispatch(std::string_view operation, Status status, JournexEntry::Values values = {}) {
  if (JournexEntry::Enabled())
    JournexEntry::Note(operation, kModule, status == 0 ? "Complete" : "Error",
                       std::string(operation) + "()", values);
  return status;
}

Status UnknownValueId(std::string_view channel, uint32_t valueId, Status status) {
  if (JournexEntry::Enabled())
    JournexEntry::Note(channel, kModule, "Error",
                       "DeviceDriverBase::" + std::string(channel) + "(" + std::to_string(valueId) + ")",
                       {{"ValueID", valueId}, {"Err", status}});
  return status;
}

void Warn(std::string_view function, std::string_view text) {
  JournexEntry::Note(function, kModule, "Warning", text);
}
}  // namespace

uint32_t DeviceDriverBase::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (!store) {
    Warn("LoadProgramSettings", "LoadProgramSettings(\"Didn't load\")");
  } else {
    store->PushTable("Common");
    msDescription = store->Read("Description", msDescription);
    msBrand = store->Read("DeviceBrand", msBrand);
    msType = store->Read("DeviceType", msType);
    store->PopTable();
    JournexEntry::Note("LoadProgramSettings", kModule, "Note", "LoadProgramSettings(Common)",
                       {{"msDescription", msDescription}, {"msBrand", msBrand}, {"msType", msType}});
  }
  return storableMembers.LoadProgramSettings(hostContext, store);
}

uint32_t DeviceDriverBase::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  return storableMembers.SaveProgramSettings(hostContext, store);
}

uint32_t DeviceDriverBase::LoadConfiguration(uint32_t hostContext, const char* fileName) {
  return SaveLoadConfigurationConvertor::LoadConfiguration(hostContext, fileName);
}

uint32_t DeviceDriverBase::SaveConfiguration(uint32_t hostContext, const char* fileName) {
  const uint32_t status = SaveLoadConfigurationConvertor::SaveConfiguration(hostContext, fileName);
  // A save never reports success for settings that did not reach the file.
  if (status == 0 && !LastSaveFailure().empty()) {
    saveFailureText_ = LastSaveFailure();
    return DRV_ERR_SETTINGS_NOT_SAVED;
  }
  return status;
}

Status DeviceDriverBase::Registered(HostWindow) { return 0; }
Status DeviceDriverBase::UnRegistered(HostWindow) { return 0; }
Status DeviceDriverBase::CheckDevice(HostWindow) { return 0; }
Status DeviceDriverBase::InitDevice(HostWindow) { return 0; }
Status DeviceDriverBase::DeInitDevice(HostWindow) { return 0; }

Status DeviceDriverBase::ShowConfigurationDialog(HostWindow hWnd) {
  return ShowTabbedConfigurationDialog(hWnd);
}

Status DeviceDriverBase::SetLastCWFrequency(HostWindow, const double* frequency) {
  if (frequency) lastCWFrequency = *frequency;
  return 0;
}

Status DeviceDriverBase::ShowConfigurationDialogUnavailable(HostWindow hWnd) {
  LoggedMessageBox(hWnd, "This Device Driver cannot be configured", DeviceCaption(),
                   kMbIconInformation);
  return 0;
}

Status DeviceDriverBase::SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  switch (valueId) {
    case SWM_VALUE_SET_CW_FREQUENCY: {
      const Status status = SetLastCWFrequency(hWnd, static_cast<const double*>(data1));
      return LogDispatch("SetLastCWFrequency", status, {{"dFreqMHz", lastCWFrequency}});
    }
    case SWM_VALUE_SET_INFORMATION_ITEMS:
      SetInformationItems(data1, data2);
      return LogDispatch("SetInformationItems", 0);
    case SWM_VALUE_SET_SPECIFIC_SETTING:
      return LogDispatch("SetSpecificSetting", SetSpecificSetting(hWnd, data1, data2));
    case SWM_VALUE_SET_HOST_VERSION: {
      const char* version = static_cast<const char*>(data1);
      return LogDispatch("SetVantorixVersion", SetVantorixVersion(hWnd, version),
                         {{"version", version}});
    }
    default:
      return UnknownValueId("SetValue", valueId, DRV_ERR_UNKNOWN_SET_VALUE_ID);
  }
}

Status DeviceDriverBase::GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) {
  switch (valueId) {
    case SWM_VALUE_GET_SPECIFIC_SETTING_STATE:
      return LogDispatch("GetSpecificSettingState", GetSpecificSettingState(hWnd, data1, data2));
    case SWM_VALUE_GET_SPECIFIC_INPUT:
      return LogDispatch("GetSpecificInput", GetSpecificInput(hWnd, data1, data2));
    case SWM_VALUE_CHECK_DEVICE_ON_STREAM:
      return LogDispatch("CheckDeviceOnStream", CheckDeviceOnStream(hWnd));
    default:
      return UnknownValueId("GetValue", valueId, DRV_ERR_UNKNOWN_GET_VALUE_ID);
  }
}

Status DeviceDriverBase::GetValueString(HostWindow hWnd, uint32_t valueId, void* data1,
                                        char* buffer, uint32_t bufferSize, uint32_t* filledSize) {
  if (valueId == SWM_VALUE_GET_SPECIFIC_SETTING)
    return LogDispatch("GetSpecificSetting",
                       GetSpecificSetting(hWnd, data1, buffer, bufferSize, filledSize));
  return UnknownValueId("GetValueString", valueId, DRV_ERR_UNKNOWN_GET_VALUE_ID);
}

Status DeviceDriverBase::GetInfo(HostWindow, uint32_t, double*) { return DRV_ERR_UNKNOWN_INFO_ID; }

Status DeviceDriverBase::GetInfoString(HostWindow, uint32_t, char* buffer, uint32_t bufferSize,
                                       uint32_t* filledSize) {
  ClearTextBuffer(buffer, bufferSize, filledSize);
  return DRV_ERR_UNKNOWN_INFO_ID;
}

Status DeviceDriverBase::SetSetting(HostWindow, uint32_t setting, double value) {
  const bool on = !ToleranceEqual(value, 0.0);
  switch (setting) {
    case SWM_SETTING_USE_DOUBLES:
      useDoubles = on;
      JournexEntry::Note("SetSetting", kModule, "Note",
                         on ? "SetSetting(\"Use doubles in all device driver function calls\")"
                            : "SetSetting(\"Do not use doubles in all device driver function calls\")");
      return 0;
    case SWM_SETTING_USE_MILLIHZ_FREQUENCY:
      useMilliHzFrequency = on;
      JournexEntry::Note(
          "SetSetting", kModule, "Note",
          on ? "SetSetting(\"Use miliHzFrequency in all device driver function calls\")"
             : "SetSetting(\"Do not use miliHzFrequency in all device driver function calls\")");
      return 0;
    default:
      JournexEntry::Note("SetSetting", kModule, "Error",
                         "SetSettingNotFound(" + std::to_string(setting) + ")");
      return DRV_ERR_UNKNOWN_SETTING_ID;
  }
}

Status DeviceDriverBase::GetDriverVersion(HostWindow, void*) { return DRV_ERR_NOT_IMPLEMENTED; }

Status DeviceDriverBase::GetCurrentFrequency(HostWindow, double* frequency) {
  if (frequency) *frequency = lastCWFrequency;
  return 0;
}

Status DeviceDriverBase::SetVantorixVersion(HostWindow, const char* version) {
  const Version host(version ? version : "");
  return host < Version(kMinimumHostVersion) ? DRV_ERR_HOST_VERSION_TOO_OLD : 0;
}

Status DeviceDriverBase::SetSpecificSetting(HostWindow, void*, void*) {
  return DRV_ERR_NOT_IMPLEMENTED;
}

Status DeviceDriverBase::GetSpecificSetting(HostWindow, void*, char* buffer, uint32_t bufferSize,
                                            uint32_t* filledSize) {
  ClearTextBuffer(buffer, bufferSize, filledSize);
  Warn("GetSpecificSetting", "GetSpecificSetting('Not Implemented!')");
  return 0;
}

Status DeviceDriverBase::CheckDeviceOnStream(HostWindow) {
  Warn("CheckDeviceOnStream", "CheckDeviceOnStream('Not Implemented!')");
  return 0;
}

Status DeviceDriverBase::GetSpecificSettingState(HostWindow, void*, void*) {
  Warn("GetSpecificSettingState", "GetSpecificSettingState('Not Implemented!')");
  return 0;
}

Status DeviceDriverBase::GetSpecificInput(HostWindow, void*, void*) {
  return DRV_ERR_NOT_IMPLEMENTED;
}

Status DeviceDriverBase::GetErrorString(HostWindow, uint32_t err, char* buffer,
                                        uint32_t bufferSize, uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text;
  switch (err) {
    case DRV_ERR_HOST_VERSION_TOO_OLD:
      text = "The used Vantorix version is too old. This driver can only be used in Vantorix version " +
             Version(kMinimumHostVersion).Text() + " and higher";
      break;
    case DRV_ERR_SETTINGS_NOT_SAVED:
      text = "The configuration could not be saved" + (saveFailureText_.empty() ? "." : ": " + saveFailureText_);
      break;
    default:
      text = StatusText::Shared(err);
      break;
  }
  if (!text.empty()) CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

void DeviceDriverBase::ShowErrorMessage(HostWindow hWnd, uint32_t err) {
  if (err == 0) return;
  std::vector<char> buffer(1024, '\0');
  uint32_t count = 0;
  GetErrorString(hWnd, err, buffer.data(), static_cast<uint32_t>(buffer.size()), &count);
  if (count == 0) return;
  char code[64];
  std::snprintf(code, sizeof code, "\n\nCode: %" PRIu32 " (hex: 0x%08" PRIX32 ")", err, err);
  LoggedMessageBox(hWnd, "Error: " + wxString::FromUTF8(buffer.data()) + code, DeviceCaption(),
                   kMbIconError);
}

Status DeviceDriverBase::AddConfigurationDialogPanels(HostWindow, PanelList&) { return 0; }

Status DeviceDriverBase::ShowTabbedConfigurationDialog(HostWindow hWnd) {
  PanelList panels;
  if (const Status status = AddConfigurationDialogPanels(hWnd, panels)) {
    JournexEntry::Note("ShowTabbedConfigurationDialog", kModule, "Error",
                       "AddConfigurationDialogPanels failed", {{"Err", status}});
    return status;
  }
  if (panels.Empty()) {
    JournexEntry::Note("ShowTabbedConfigurationDialog", kModule, "Note",
                       "ShowTabbedConfigurationDialog(\"DeviceDriver cannot be configured\")");
    return ShowConfigurationDialogUnavailable(hWnd);
  }
  return ShowTabbedDialog(hWnd, DialogTitle(), panels);
}

void DeviceDriverBase::SetInformationItems(void* data1, void* data2) {
  SwmAutomation* eut = data1 ? *static_cast<SwmAutomation**>(data1) : nullptr;
  SwmAutomation* second = data2 ? *static_cast<SwmAutomation**>(data2) : nullptr;
  clsDEUT.Assign(eut);
  clsInformationItems.Clear();
  ITestData.Assign(second);
  if (ITestData) {
    AutomationObject standard;
    standard.Adopt(ITestData.Get()->GetProperty("StandardTestData"));
    if (standard) clsInformationItems.Adopt(standard.Get()->GetProperty("InformationItems"));
  }
  if (!clsInformationItems) {
    clsInformationItems.Assign(second);
    ITestData.Clear();
  }
}

wxString DeviceDriverBase::DeviceCaption() const {
  wxString caption;
  if (!msDescription.Contains(msBrand)) caption << msBrand << " ";
  if (!msDescription.Contains(msType)) caption << msType << " ";
  caption << msDescription;
  return caption;
}

wxString DeviceDriverBase::DialogTitle() const {
  const wxString caption = DeviceCaption();
  if (!caption.empty()) return caption;
  return typeKey_.empty() ? wxString("Device driver") : wxString::FromUTF8(typeKey_);
}

int DeviceDriverBase::LoggedMessageBox(HostWindow hWnd, const wxString& text, const wxString& title,
                                       uint32_t type) {
  JournexEntry scope("MessageBoxW", "DeviceDriver");
  scope.LogBegin("Note", "MessageBoxW", {{"Text", text}, {"Title", title}, {"Type", type}});
  const int answer = PlatformMessageBox(hWnd, text.utf8_string(), title.utf8_string(), type);
  scope.LogEnd("Complete", {}, {{"Result", answer}});
  return answer;
}
