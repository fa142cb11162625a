#pragma once
// The pages of the KRE drivers: the during and after position of each relay
// ("ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"), with the relay box's pause
// after switching ("ID_WAIT", KREConfigDialog) or, for the tower, the time
// the antenna takes to turn ("ID_WAITINGTIME", KRETowerConfigDialog).
#include "dialogs/DuringAfterPanel.h"
#include "drivers/kre/KREAntennaTower.h"
#include "drivers/kre/KREBase.h"

class KREPanel : public DuringAfterPanel {
public:
  // tower: null for the switch matrix.
  KREPanel(KREBase& box, KREAntennaTower* tower);

protected:
  void BindControls() override;

private:
  KREBase& box_;
  KREAntennaTower* tower_;
};
