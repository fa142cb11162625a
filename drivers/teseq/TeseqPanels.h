#pragma once
// The "Settings" pages of the Teseq and Comtest switch units: one choice per
// slot or relay for the "during" (before) and the "after" setting.
#include "dialogs/PanelList.h"

class TeseqRFB6000;
class ComtestMCP01;

void AddTeseqPanel(TeseqRFB6000& driver, PanelList& panels);
void AddComtestPanel(ComtestMCP01& driver, PanelList& panels);
