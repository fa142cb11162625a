#include "legacy/GPIBRS232Panel.h"

#include <wx/button.h>
#include <wx/radiobut.h>

#include "dialogs/PropertyValidators.h"
#include "legacy/GPIBRS232.h"

namespace {
// A radio button that stands for one value of the selector: checked when
// the selector has it, and setting it when checked.
wxTemplatePropertyValidator<GPIBRS232, bool> RadioFor(GPIBRS232* selector, bool gpib) {
  return wxTemplatePropertyValidator<GPIBRS232, bool>(
      selector, [gpib](const GPIBRS232& s) { return s.IsGPIB() == gpib; },
      [gpib](GPIBRS232& s, const bool& checked) {
        if (checked) s.SetCommunication(gpib ? GPIBRS232::kGPIB : GPIBRS232::kRS232);
      });
}

template <class C>
C* Find(wxWindow& window, const char* id) {
  return wxDynamicCast(window.FindWindow(wxXmlResource::GetXRCID(id)), C);
}
}  // namespace

void BindGPIBRS232Controls(wxWindow& window, GPIBRS232* selector) {
  if (auto* radio = Find<wxRadioButton>(window, "ID_GPIBRADIO")) radio->SetValidator(RadioFor(selector, true));
  if (auto* radio = Find<wxRadioButton>(window, "ID_RS232RADIO")) radio->SetValidator(RadioFor(selector, false));
  if (auto* button = Find<wxButton>(window, "ID_GPIBSETUP")) {
    button->Enable(selector->GpibConfiguration() != nullptr);
    button->Bind(wxEVT_BUTTON, [selector](wxCommandEvent&) { selector->ShowGpibDialog(0); });
  }
  if (auto* button = Find<wxButton>(window, "ID_RS232SETUP")) {
    button->Enable(selector->SerialConfiguration() != nullptr);
    button->Bind(wxEVT_BUTTON, [selector](wxCommandEvent&) { selector->ShowRS232Dialog(0); });
  }
}

void GPIBRS232Panel::BindControls() { BindGPIBRS232Controls(*this, selector_); }

void GPIBRS232Dialog::BindControls() { BindGPIBRS232Controls(*this, selector_); }
