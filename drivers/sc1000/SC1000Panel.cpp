#include "drivers/sc1000/SC1000Panel.h"

#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "dialogs/ControlValue.h"
#include "dialogs/PropertyValidators.h"

namespace {
using namespace sc1000;

DuringAfterLayout SwitchLayout(SC1000& driver) {
  DuringAfterLayout layout;
  layout.count = SC1000::kSwitches;
  layout.rowLabel = "Switch %d";
  layout.choices = EnumChoices<eRelaisSettingsSC1000>();
  layout.get = [&driver](DuringAfterLayout::Slot s) { return static_cast<int>(driver.Position(s.state, s.index)); };
  layout.set = [&driver](DuringAfterLayout::Slot s, int v) {
    driver.SetPosition(s.state, s.index, static_cast<eRelaisSettingsSC1000>(v));
  };
  return layout;
}
}  // namespace

SC1000Panel::SC1000Panel(SC1000& driver) : DuringAfterPanel(SwitchLayout(driver)), driver_(driver) {}

void SC1000Panel::BindControls() {
  wxComboBoxDecoratorValidator<eModelSettingsSC1000> model(
      new wxTemplatePropertyValidator<SC1000, eModelSettingsSC1000>(
          &driver_, [](const SC1000& d) { return d.Model(); },
          [](SC1000& d, const eModelSettingsSC1000& m) { d.SetModel(m); }),
      MIN_MODEL_SC1000, MAX_MODEL_SC1000);
  if (auto* combo = Bind<wxComboBox>("ID_ModelSelect", model))
    combo->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent& event) {
      event.Skip();
      EnableSwitches();
    });
  wxTemplatePropertyValidator<SC1000, int> wait(
      &driver_, [](const SC1000& d) { return d.Wait(); }, [](SC1000& d, const int& w) { d.SetWait(w); }, "%d");
  Bind<wxTextCtrl>("ID_WAIT", wait);
  DuringAfterPanel::BindControls();
}

bool SC1000Panel::TransferDataToWindow() {
  const bool done = DuringAfterPanel::TransferDataToWindow();
  EnableSwitches();
  return done;
}

void SC1000Panel::EnableSwitches() {
  int64_t selected = driver_.Model();
  if (wxWindow* combo = FindWindow(wxXmlResource::GetXRCID("ID_ModelSelect")))
    control::ReadSelectedNumber(combo, &selected);
  const auto model = static_cast<eModelSettingsSC1000>(selected);
  for (int number = 1; number <= SC1000::kSwitches; ++number)
    for (int state = 0; state < 2; ++state)
      if (wxWindow* choice = FindWindow(wxXmlResource::GetXRCID(Arrangement().ControlName(state, number))))
        choice->Enable(SC1000::SwitchEnabled(model, number));
}
