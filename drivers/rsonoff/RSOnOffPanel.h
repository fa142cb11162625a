#pragma once
// The page of the output cycling: on time and off time (ms, 1 to 3600000)
// and the number of cycles (0 to 1000000), "ID_ONTIME", "ID_OFFTIME", "ID_CYCLES".
#include "dialogs/PanelList.h"

class RSOnOff;

void AddRSOnOffPanel(PanelList& panels, RSOnOff& driver);
