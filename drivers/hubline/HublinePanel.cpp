#include "drivers/hubline/HublinePanel.h"

#include <wx/combobox.h>
#include <wx/radiobut.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"

namespace {
// Centre type 1 is an older name of the multislot unit and shows as it.
int ShownCentreType(int centreType) { return centreType == 1 ? 0 : centreType; }

// A radio button of a group is only ever switched on: switching one on
// switches the others off, and GTK cannot switch a grouped button off.
class RadioValidator : public wxTemplatePropertyValidator<HublinePanel::Driver, bool> {
public:
  using wxTemplatePropertyValidator::wxTemplatePropertyValidator;
  void WriteControl(const bool& selected) override {
    if (selected) wxTemplatePropertyValidator::WriteControl(true);
  }
  RadioValidator* CloneTyped() const override { return new RadioValidator(*this); }
};
}  // namespace

std::vector<wxString> HublinePanel::DeviceIdEntries(int subDevicesPerSlot) {
  std::vector<wxString> entries;
  for (int slot = 1; slot <= 8; ++slot) {
    if (subDevicesPerSlot <= 1) {
      entries.push_back(wxString::Format("%d", slot));
      continue;
    }
    for (int sub = 0; sub < subDevicesPerSlot; ++sub)
      entries.push_back(wxString::Format("%d%c", slot, static_cast<char>('A' + sub)));
  }
  return entries;
}

void HublinePanel::BindControls() {
  for (const CentreRadio& radio : kRadios) {
    const int type = radio.centreType;
    RadioValidator validator(
        &driver_, [type](const Driver& d) { return ShownCentreType(d.CentreType()) == type; },
        [type](Driver& d, const bool& selected) {
          if (selected && ShownCentreType(d.CentreType()) != type) d.SetCentreType(type);
        });
    if (auto* button = Bind<wxRadioButton>(radio.id, validator))
      button->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent& event) {
        event.Skip();
        EnableDeviceId();
      });
  }
  deviceId_ = FindControl<wxComboBox>(kDeviceId);
  if (!deviceId_) return;
  for (const wxString& entry : DeviceIdEntries(driver_.SubDevicesPerSlot())) deviceId_->Append(entry);
  // A slot that is not in the list (a typed "3 b") is stored the way the driver normalises it.
  EnabledValidator validator(new wxTemplatePropertyValidator<Driver, wxString>(
      &driver_, [](const Driver& d) { return wxString::FromUTF8(d.DeviceID()); },
      [](Driver& d, const wxString& text) { d.SetDeviceID(text.utf8_string()); }, "%s"));
  deviceId_->SetValidator(validator);
}

bool HublinePanel::TransferDataToWindow() {
  const bool done = ValidatorBasedPanel::TransferDataToWindow();
  EnableDeviceId();
  return done;
}

void HublinePanel::EnableDeviceId() {
  if (!deviceId_) return;
  auto* multislot = dynamic_cast<wxRadioButton*>(FindWindow(wxXmlResource::GetXRCID("ID_RADIO_HUBLINE_MULTISLOT")));
  deviceId_->Enable(!multislot || multislot->GetValue());
}
