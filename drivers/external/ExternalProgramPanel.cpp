#include "drivers/external/ExternalProgramPanel.h"

#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "drivers/external/ExternalProgram.h"

namespace {
class ExternalProgramPanel : public ValidatorBasedPanel {
public:
  explicit ExternalProgramPanel(ExternalProgram& driver) : driver_(driver) {}

protected:
  void BindControls() override {
    BindText("ID_START", &ExternalProgram::before);
    BindText("ID_STOP", &ExternalProgram::after);
  }

private:
  void BindText(const char* id, wxString ExternalProgram::*field) {
    Bind<wxTextCtrl>(id, wxTemplatePropertyValidator<ExternalProgram, wxString>(
                             &driver_, [field](const ExternalProgram& d) { return d.*field; },
                             [field](ExternalProgram& d, const wxString& v) { d.*field = v; }, "%s"));
  }

  ExternalProgram& driver_;
};
}  // namespace

void AddExternalProgramPanel(PanelList& panels, ExternalProgram& driver) {
  panels.Add({[&driver] { return new ExternalProgramPanel(driver); }, "ExternalProgramConfigDialog", "Program"});
}
