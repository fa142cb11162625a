#include "drivers/configurable/ConfigurableTriggerAndResultPanel.h"

#include <wx/button.h>
#include <wx/textctrl.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "drivers/configurable/ConfigurableTriggerAndResult.h"
#include "drivers/configurable/RegExpTestDialog.h"
#include "settings/NarrowText.h"

namespace {
using Settings = ConfigurableTriggerAndResult;

wxTemplatePropertyValidator<Settings, wxString> TextOf(Settings* settings, std::string Settings::*field) {
  return {settings, [field](const Settings& s) { return WideFromNarrow(s.*field); },
          [field](Settings& s, const wxString& value) { s.*field = NarrowFromWide(value); }, "%s"};
}
}  // namespace

void ConfigurableTriggerAndResultPanel::BindControls() {
  Bind<wxTextCtrl>("ID_TRIGGERCODE", TextOf(settings_, &Settings::trigger));
  Bind<wxTextCtrl>("ID_RESULTFORMATCODE", TextOf(settings_, &Settings::resultFormat));
  wxRangeDecoratorValidator<double> timeout(
      new wxTemplatePropertyValidator<Settings, double>(
          settings_, [](const Settings& s) { return s.timeoutMS; },
          [](Settings& s, const double& value) { s.timeoutMS = value; }, "%g"),
      1.0, 3600000.0);
  Bind<wxTextCtrl>("ID_TIMEOUT", timeout);
  if (auto* test = FindControl<wxButton>("ID_TEST_REGEXP")) {
    test->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      auto* pattern = FindControl<wxTextCtrl>("ID_RESULTFORMATCODE");
      RegExpTestDialog tester;
      if (tester.Load(this, pattern ? pattern->GetValue() : wxString())) tester.ShowModal();
    });
  }
}
