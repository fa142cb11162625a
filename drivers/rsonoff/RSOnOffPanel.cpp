#include "drivers/rsonoff/RSOnOffPanel.h"

#include <wx/textctrl.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "drivers/rsonoff/RSOnOff.h"

namespace {
constexpr long kMaxTimeMs = 3600000;
constexpr long kMaxCycles = 1000000;

class RSOnOffPanel : public ValidatorBasedPanel {
public:
  explicit RSOnOffPanel(RSOnOff& driver) : driver_(driver) {}

protected:
  void BindControls() override {
    BindNumber("ID_ONTIME", &RSOnOff::onTime, 1, kMaxTimeMs);
    BindNumber("ID_OFFTIME", &RSOnOff::offTime, 1, kMaxTimeMs);
    BindNumber("ID_CYCLES", &RSOnOff::cycles, 0, kMaxCycles);
  }

private:
  void BindNumber(const char* id, long RSOnOff::*field, long minimum, long maximum) {
    auto* property = new wxTemplatePropertyValidator<RSOnOff, long>(
        &driver_, [field](const RSOnOff& d) { return d.*field; }, [field](RSOnOff& d, const long& v) { d.*field = v; },
        "%ld");
    Bind<wxTextCtrl>(id, wxRangeDecoratorValidator<long>(property, minimum, maximum));
  }

  RSOnOff& driver_;
};
}  // namespace

void AddRSOnOffPanel(PanelList& panels, RSOnOff& driver) {
  panels.Add({[&driver] { return new RSOnOffPanel(driver); }, "RSOnOffConfigDialog", "Output cycling"});
}
