#include "streams/gpib/NIGPIBDeviceStreamConfiguration.h"

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "legacy/GPIBConfigurationPanel.h"

uint32_t NIGPIBDeviceStreamConfiguration::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  SetKeyPrefix("");
  if (const uint32_t status = NI488GPIBConfiguration::LoadProgramSettings(hostContext, store)) return status;
  return DeviceStreamConfiguration::LoadProgramSettings(hostContext, store);
}

uint32_t NIGPIBDeviceStreamConfiguration::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  SetKeyPrefix("");
  if (const uint32_t status = NI488GPIBConfiguration::SaveProgramSettings(hostContext, store)) return status;
  return DeviceStreamConfiguration::SaveProgramSettings(hostContext, store);
}

std::string NIGPIBDeviceStreamConfiguration::GetIDString() const {
  std::string id = "GPIB" + std::to_string(static_cast<int>(GetBoard())) + ":" + std::to_string(GetPrimaryAddress());
  if (GetSecondaryAddress() != 0) id += ":" + std::to_string(GetSecondaryAddress());
  return id;
}

Status NIGPIBDeviceStreamConfiguration::ShowConfigurationDialog(uint32_t hostContext) {
  PanelList panels;
  panels.Add({[this] { return CreateConfigurationPanel(); }, kPanelName, kTypeName});
  return ShowTabbedDialog(hostContext, kPanelName, panels);
}

ValidatorBasedPanel* NIGPIBDeviceStreamConfiguration::CreateConfigurationPanel() {
  return new GPIBConfigurationPanel(this);
}
