#include "streams/DeviceStreamConfiguration.h"

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"

Status DeviceStreamConfiguration::ShowConfigurationDialog(uint32_t hostContext) {
  PanelList panels;
  const std::string name = ConfigurationPanelName();
  if (name.empty()) return 0;
  panels.Add({[this] { return CreateConfigurationPanel(); }, name, GetStreamTypeName()});
  return ShowTabbedDialog(hostContext, wxString::FromUTF8(GetStreamTypeName()), panels);
}
