#include "drivers/amplifier/AmplifierPanels.h"

#include <algorithm>

#include "dialogs/BoundPanel.h"
#include "drivers/amplifier/BBA_IL.h"
#include "drivers/amplifier/BONN_BAS.h"
#include "drivers/amplifier/BONN_IL.h"
#include "drivers/amplifier/BonnBas.h"

namespace {
// The index of a band command in the list, -1 for none (an empty selection).
int BandIndex(const wxString& command) {
  const auto& commands = BONN_BAS::BandCommands();
  const auto found = std::find(commands.begin(), commands.end(), command.utf8_string());
  return found == commands.end() ? -1 : static_cast<int>(found - commands.begin());
}
wxString BandCommand(int index) { return wxString::FromUTF8(BONN_BAS::BandCommands()[static_cast<size_t>(index)]); }
}  // namespace

void AddBBA_ILPanel(BBA_IL& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  p.BindCheck("ID_DEVICE_INTERLOCK", [&d] { return d.DeviceInterlockCheck(); },
                              [&d](bool on) { d.SetDeviceInterlockCheck(on); });
                  p.BindNumber("ID_GROUP_INTERLOCK", [&d] { return d.GroupInterlock(); },
                               [&d](int group) { d.SetGroupInterlock(group); });
                });
              },
              "AmplifierBBA_ILConfiguration", "Settings"});
}

void AddBONN_ILPanel(BONN_IL& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  p.BindText("ID_GETID", [&d] { return d.ReturnedID(); }, [&d](const wxString& id) { d.SetReturnedID(id); });
                  p.BindCheck("ID_USE_EXECUTION_RESULT", [&d] { return d.UseExecutionResult(); },
                              [&d](bool on) { d.SetUseExecutionResult(on); });
                  p.BindNumber("ID_BONN_PROTOCOL", [&d] { return static_cast<int>(d.AmplifierProtocol()); },
                               [&d](int protocol) { d.SetAmplifierProtocol(static_cast<unsigned int>(protocol)); });
                });
              },
              "AmplifierBONN_ILConfiguration", "Settings"});
}

void AddBONN_BASPanel(BONN_BAS& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  p.BindChoice("ID_DURING_RELAIS", BONN_BAS::BandCommands(), [&d] { return BandIndex(d.SelectedBefore()); },
                               [&d](int i) { d.SetSelectedBefore(BandCommand(i)); });
                  p.BindChoice("ID_AFTER_RELAIS", BONN_BAS::BandCommands(), [&d] { return BandIndex(d.SelectedAfter()); },
                               [&d](int i) { d.SetSelectedAfter(BandCommand(i)); });
                });
              },
              "SwitchMatrixBeforeAfter", "Switch Setting"});
}

void AddBonnBasPanel(BonnBas& d, PanelList& panels) {
  panels.Add({[&d] {
                return new BoundPanel([&d](BoundPanel& p) {
                  for (int which = 0; which < 2; ++which)
                    p.BindChoice(which == 0 ? "ID_DURING_RELAIS" : "ID_AFTER_RELAIS", BonnBas::SettingTexts(),
                                 [&d, which] { return static_cast<int>(d.Setting(which)); },
                                 [&d, which](int i) { d.SetSetting(which, static_cast<bonn::RelaisSettings>(i)); });
                });
              },
              "SSUConfigDialog", "Switch Setting"});
}
