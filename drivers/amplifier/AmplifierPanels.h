#pragma once
// The "Settings" and "Switch Setting" pages of the amplifier drivers.
#include "dialogs/PanelList.h"

class BBA_IL;
class BONN_IL;
class BONN_BAS;
class BonnBas;

void AddBBA_ILPanel(BBA_IL& driver, PanelList& panels);
void AddBONN_ILPanel(BONN_IL& driver, PanelList& panels);
void AddBONN_BASPanel(BONN_BAS& driver, PanelList& panels);
void AddBonnBasPanel(BonnBas& driver, PanelList& panels);
