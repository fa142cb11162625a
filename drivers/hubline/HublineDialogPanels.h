#pragma once
// The pages of a Hubline card's configuration dialog: "Communication" and
// "Identification" of its stream, "Hubline" (centre type and slot),
// "Switches" (the during and after settings of the card's class) and, when
// enabled, "Software update".
#include <optional>

#include "dialogs/PanelList.h"
#include "drivers/hubline/HublineBase.h"
#include "drivers/hubline/HublineSwitchesPanel.h"
#include "framework/SwitchMatrixBase.h"

Status AddHublineDialogPanels(HublineBase<SwitchMatrixBase>& driver, HostWindow hWnd, PanelList& panels);

// The "Switches" page of a card: its XRC panel and how its controls reach
// the card's settings; nothing for a driver that is no switch card.
struct HublineSwitchesPage {
  const char* xrcName;
  HublineSwitchesLayout layout;
};
std::optional<HublineSwitchesPage> HublineSwitchesPageOf(HublineBase<SwitchMatrixBase>& driver);
