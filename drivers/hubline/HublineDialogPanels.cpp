#include "drivers/hubline/HublineDialogPanels.h"

#include "drivers/hubline/HublinePanel.h"
#include "drivers/hubline/HublineSoftwareUpdatePanel.h"
#include "drivers/hubline/HublineExternalSwitch.h"
#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"

namespace {
using Slot = HublineSwitchesLayout::Slot;

std::vector<wxString> Texts(const std::vector<std::string>& texts) {
  std::vector<wxString> wide;
  for (const std::string& text : texts) wide.push_back(wxString::FromUTF8(text));
  return wide;
}

HublineSwitchesLayout CardLayout(HublineSwitchBase& card) {
  HublineSwitchesLayout layout;
  layout.internalCount = card.Count();
  layout.internalTexts = Texts(card.InternalChoiceTexts());
  layout.externalTexts = Texts(card.ExternalChoiceTexts());
  return layout;
}

// The box switches, numbered box by box from 0.
template <class Position>
void BoxesLayout(HublineSwitchesLayout& layout, HublineExternalBoxes<Position>& boxes) {
  using Boxes = HublineExternalBoxes<Position>;
  layout.externalCount = Boxes::kBoxes * Boxes::kSwitches;
  layout.getExternal = [&boxes](Slot s) {
    return static_cast<int>(boxes.positions[s.index / Boxes::kSwitches][s.state][s.index % Boxes::kSwitches]);
  };
  layout.setExternal = [&boxes](Slot s, int v) {
    boxes.positions[s.index / Boxes::kSwitches][s.state][s.index % Boxes::kSwitches] = static_cast<Position>(v);
  };
}

HublineSwitchesLayout RelayCardLayout(HublineSwitch& card) {
  HublineSwitchesLayout layout = CardLayout(card);
  layout.externalCount = HublineSwitch::kRelays;
  layout.getInternal = [&card](Slot s) { return static_cast<int>(card.internal[s.state][s.index]); };
  layout.setInternal = [&card](Slot s, int v) { card.internal[s.state][s.index] = static_cast<RelaisSettings>(v); };
  layout.getExternal = [&card](Slot s) { return static_cast<int>(card.external[s.state][s.index]); };
  layout.setExternal = [&card](Slot s, int v) {
    card.external[s.state][s.index] = static_cast<PortNumbersExtern>(v);
  };
  return layout;
}

HublineSwitchesLayout ExternalCardLayout(HublineExternalSwitch& card) {
  HublineSwitchesLayout layout = CardLayout(card);
  layout.getInternal = [&card](Slot s) { return static_cast<int>(card.internal[s.state][s.index]); };
  layout.setInternal = [&card](Slot s, int v) { card.internal[s.state][s.index] = static_cast<RelaisSettings>(v); };
  BoxesLayout(layout, card.boxes);
  return layout;
}

HublineSwitchesLayout SixPositionCardLayout(HublineSwitch6Point& card) {
  HublineSwitchesLayout layout = CardLayout(card);
  layout.getInternal = [&card](Slot s) { return static_cast<int>(card.internal[s.state][s.index]); };
  layout.setInternal = [&card](Slot s, int v) {
    card.internal[s.state][s.index] = static_cast<HublineSwitch6Point::PortNumbers>(v);
  };
  if (card.ExternalBoxesSupported()) BoxesLayout(layout, card.boxes);
  return layout;
}
}  // namespace

std::optional<HublineSwitchesPage> HublineSwitchesPageOf(HublineBase<SwitchMatrixBase>& driver) {
  if (auto* card = dynamic_cast<HublineSwitch*>(&driver))
    return HublineSwitchesPage{"HublineSwitchMatrixInternalConfigWindow", RelayCardLayout(*card)};
  if (auto* card = dynamic_cast<HublineExternalSwitch*>(&driver))
    return HublineSwitchesPage{"HublineSwitchMatrixExternalConfigWindow", ExternalCardLayout(*card)};
  if (auto* card = dynamic_cast<HublineSwitch6Point*>(&driver))
    return HublineSwitchesPage{"Hubline6PortSwitchMatrix", SixPositionCardLayout(*card)};
  return std::nullopt;
}

Status AddHublineDialogPanels(HublineBase<SwitchMatrixBase>& driver, HostWindow hWnd, PanelList& panels) {
  const Status status = driver.CreateStreamConfigurationPanels(hWnd, panels);
  panels.Add({[&driver] { return new HublinePanel(driver); }, HublinePanel::kName, HublinePanel::kTitle});
  if (std::optional<HublineSwitchesPage> page = HublineSwitchesPageOf(driver)) {
    HublineSwitchesLayout layout = page->layout;
    panels.Add({[layout] { return new HublineSwitchesPanel(layout); }, page->xrcName, "Switches"});
  }
  if (driver.ShowSoftwareUpdatePanel())
    panels.Add({[] { return new HublineSoftwareUpdatePanel(); }, HublineSoftwareUpdatePanel::kName,
                HublineSoftwareUpdatePanel::kTitle});
  return status;
}
