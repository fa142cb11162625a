#pragma once
// The page of the two command lines: "ID_START" (run before the test) and "ID_STOP" (after it).
#include "dialogs/PanelList.h"

class ExternalProgram;

void AddExternalProgramPanel(PanelList& panels, ExternalProgram& driver);
