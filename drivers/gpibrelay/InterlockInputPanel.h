#pragma once
// The page of the interlock input: one choice "ID_INTERLOCK" with the
// entries "Input 1" .. "Input <n>" for the values 0 .. n-1.
#include "dialogs/PanelList.h"

void AddInterlockInputPanel(PanelList& panels, long& input, int inputs);
