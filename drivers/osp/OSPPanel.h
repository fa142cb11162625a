#pragma once
// The "Switches" page of the OSP platform: one tab per slot with the
// module choice ("ID_SELECTMODULE_SLOT%d") and, per relay, the "during" and
// "after" positions ("ID_DURING_RELAIS%d_SLOT%d", "ID_AFTER_RELAIS%d_SLOT%d",
// relay and slot counted from 0). A relay choice lists the positions of
// the slot's module; choosing another module refills them. Slots the frame
// does not have and relays the module does not have are disabled.
#include "dialogs/PanelList.h"
#include "dialogs/ValidatorSupport.h"
#include "drivers/osp/OSPModules.h"

namespace OSP {
class OSP;

class SwitchOSPConfigurationPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "SwitchOSP120ConfigurationPanel";
  static constexpr const char* kTitle = "Switches";

  explicit SwitchOSPConfigurationPanel(OSP& driver) : driver_(driver) {}

  bool TransferDataToWindow() override;

protected:
  void BindControls() override;

private:
  // Fills the slot's relay choices with the module's positions and enables
  // the relays the module has.
  void ShowModule(int slot, eModuleSettingsOSP module);
  eModuleSettingsOSP ChosenModule(int slot);

  OSP& driver_;
};
}  // namespace OSP

void AddOSPPanel(OSP::OSP& driver, PanelList& panels);
