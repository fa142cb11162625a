#include "drivers/novotronik/NovotronikPanel.h"

#include <wx/choice.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"
#include "drivers/novotronik/NovotronikBase.h"

namespace Kovalex::devicedrivers::NOVOTRONIK {
namespace {
struct Cell {
  int row;
  int pin;
};

// Every named value of the enumeration, with the value as client data.
template <class E>
void Fill(wxChoice& choice) {
  choice.Clear();
  for (const auto& [name, value] : EnumClass<E>::Instance().Entries())
    choice.Append(wxString::FromUTF8(name), new wxGenericClientData<E>(value));
}
}  // namespace

std::string NovotronikPanel::EventControl(int row) { return "cboEvent_ROW_" + std::to_string(row); }

std::string NovotronikPanel::PinControl(int pin, int row) {
  return "cboSwitchPinData_" + std::to_string(pin) + "_ROW_" + std::to_string(row);
}

void NovotronikPanel::BindControls() {
  using EventValidator = wxArrayIndexPropertyValidator<NovotronikBase, eSwitchEventSettingsNovotronik, int>;
  using PinValidator = wxArrayIndexPropertyValidator<NovotronikBase, eSwitchPinSettingsNovotronik, Cell>;
  for (int row = 0; row < NovotronikBase::ROW_TOTAL; ++row) {
    if (auto* choice = FindControl<wxChoice>(EventControl(row).c_str())) {
      Fill<eSwitchEventSettingsNovotronik>(*choice);
      choice->SetValidator(EventValidator(
          &driver_, [](const NovotronikBase& d, int r) { return d.RowEvent(r); },
          [](NovotronikBase& d, int r, const eSwitchEventSettingsNovotronik& v) { d.SetEventSettings(r, v); }, row));
    }
    for (int pin = 0; pin < NovotronikBase::PINS_PER_PORT; ++pin) {
      auto* choice = FindControl<wxChoice>(PinControl(pin, row).c_str());
      if (!choice) continue;
      Fill<eSwitchPinSettingsNovotronik>(*choice);
      choice->SetValidator(PinValidator(
          &driver_, [](const NovotronikBase& d, Cell c) { return d.RowPin(c.row, c.pin); },
          [](NovotronikBase& d, Cell c, const eSwitchPinSettingsNovotronik& v) { d.SetTestSettings(c.row, c.pin, v); },
          Cell{row, pin}));
    }
  }
}

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
