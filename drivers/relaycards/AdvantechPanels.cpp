#include "drivers/relaycards/AdvantechPanels.h"

#include <wx/button.h>
#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"
#include "platform/MessageBox.h"

namespace {
using Card = AdvantechPCI1761Base;

DuringAfterLayout RelayLayout(Card& card, bool tower) {
  DuringAfterLayout layout;
  layout.count = tower ? 0 : Card::kRelays;
  layout.choices = {{"Do not switch", Card::kDoNotSwitch}, {"On", Card::kOn}, {"Off", Card::kOff}};
  layout.get = [&card](DuringAfterLayout::Slot s) { return card.Setting(s.state, s.index); };
  layout.set = [&card](DuringAfterLayout::Slot s, int v) { card.SetSetting(s.state, s.index, v); };
  return layout;
}
}  // namespace

AdvantechPanel::AdvantechPanel(Card& card, bool tower) : DuringAfterPanel(RelayLayout(card, tower)), card_(card), tower_(tower) {}

void AdvantechPanel::BindControls() {
  wxRangeDecoratorValidator<int> wait(
      new wxTemplatePropertyValidator<Card, int>(
          &card_, [](const Card& c) { return c.Wait(); }, [](Card& c, const int& v) { c.SetWait(v); }, "%d"),
      0, 3600000);
  Bind<wxTextCtrl>(tower_ ? "ID_WAITINGTIME" : "ID_WAIT", wait);
  wxRangeDecoratorValidator<int> device(
      new wxTemplatePropertyValidator<Card, int>(
          &card_, [](const Card& c) { return c.Device(); }, [](Card& c, const int& v) { c.SetDevice(v); }, "%d"),
      0, 255);
  Bind<wxTextCtrl>("ID_DEVICE", device);
  if (auto* button = FindControl<wxButton>("ID_SELECT_DEVICE"))
    button->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { SelectDevice(); });
  DuringAfterPanel::BindControls();
}

void AdvantechPanel::SelectDevice() {
  unsigned long number = static_cast<unsigned long>(card_.Device());
  std::string description;
  const Status status = card_.Library().SelectDevice(number, description);
  if (status == LabCardLibrary::kNotLoadable) {
    PlatformMessageBox(0, "Could not load LabCard DLL.", "Error", kMbIconError);
    return;
  }
  if (status != 0) return;
  if (auto* field = FindControl<wxTextCtrl>("ID_DEVICE")) field->SetValue(wxString::Format("%lu", number));
}
