#pragma once
// The page of an Advantech PCI-1761 driver: the card's device number
// ("ID_DEVICE", with "ID_SELECT_DEVICE" to pick it through the driver
// library), the pause after switching ("ID_WAIT" for the switch matrix,
// "ID_WAITINGTIME" for the tower) and, for the switch matrix, the during
// and after setting of each relay ("ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d").
#include "dialogs/DuringAfterPanel.h"
#include "drivers/relaycards/AdvantechPCI1761.h"

class AdvantechPanel : public DuringAfterPanel {
public:
  AdvantechPanel(AdvantechPCI1761Base& card, bool tower);

protected:
  void BindControls() override;

private:
  void SelectDevice();

  AdvantechPCI1761Base& card_;
  bool tower_;
};
