#include "legacy/GPIBRS232.h"

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "legacy/GPIBConfigurationPanel.h"
#include "legacy/GPIBRS232Panel.h"
#include "legacy/RS232ConfigurationPanel.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"
#include "settings/ProgramSettingsDatabase.h"
#include "settings/StorableMemberVariable.h"

GPIBRS232::GPIBRS232(int communication, std::string table)
    : communication_(communication), table_(std::move(table)) {}

uint32_t GPIBRS232::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    communication_ = static_cast<int>(store->Read("Communication", static_cast<long>(communication_)));
    store->PopTable();
  }
  LogStorableMemberAccess("LoadProgramSettings", table_, "Communication", {"Communication", communication_});
  return 0;
}

uint32_t GPIBRS232::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    store->Write("Communication", static_cast<long>(communication_));
    store->PopTable();
  }
  LogStorableMemberAccess("SaveProgramSettings", table_, "Communication", {"Communication", communication_});
  return 0;
}

Status GPIBRS232::AddConfigurationPanel(HostWindow, PanelList& panels) {
  panels.Add({[this] { return new GPIBRS232Panel(this); }, "GPIBRS232Panel", "GPIB/RS232"});
  return 0;
}

Status GPIBRS232::ShowConfigurationDialog(HostWindow hWnd) {
  if (!PlatformDialogsAvailable()) {
    JournexEntry::Note("ShowConfigurationDialog", "GPIBRS232", "Error",
                       "ShowConfigurationDialog(\"No display: the configuration dialog cannot be shown\")");
    return DRV_ERR_DIALOG_UNAVAILABLE;
  }
  GPIBRS232Dialog dialog(this);
  if (!dialog.Load(nullptr, "GPIBRS232Communication")) return DRV_ERR_DIALOG_UNAVAILABLE;
  dialog.Fit();
  dialog.CentreOnScreen();
  const int answer = ShowModalForHost(dialog, hWnd);
  JournexEntry::Note("ShowConfigurationDialog", "GPIBRS232", "Note",
                     answer == wxID_OK ? "ShowConfigurationDialog(OK)" : "ShowConfigurationDialog(Cancel)",
                     {{"Communication", communication_}});
  return 0;
}

Status GPIBRS232::ShowGpibDialog(HostWindow hWnd) {
  if (!gpib_) return 0;
  PanelList panels;
  NI488GPIBConfiguration* gpib = gpib_;
  panels.Add({[gpib] { return new GPIBConfigurationPanel(gpib); }, "GPIBConfiguration", "GPIB"});
  return ShowTabbedDialog(hWnd, "GPIB Configuration", panels);
}

Status GPIBRS232::ShowRS232Dialog(HostWindow hWnd) {
  if (!rs232_) return 0;
  PanelList panels;
  RS232Configuration* rs232 = rs232_;
  panels.Add({[rs232] { return new RS232ConfigurationPanel(rs232); }, "RS232Configuration", "RS232"});
  return ShowTabbedDialog(hWnd, "RS232 Configuration", panels);
}
