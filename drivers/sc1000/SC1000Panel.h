#pragma once
// The SC1000 page: the model ("ID_ModelSelect") and the during and after
// position of each switch ("ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"). The
// model enables the switches it has; disabled switches keep their settings.
#include "dialogs/DuringAfterPanel.h"
#include "drivers/sc1000/SC1000.h"

class SC1000Panel : public DuringAfterPanel {
public:
  explicit SC1000Panel(SC1000& driver);

  bool TransferDataToWindow() override;

protected:
  void BindControls() override;

private:
  void EnableSwitches();

  SC1000& driver_;
};
