#include "drivers/configurable/RAWControl.h"

#include <wx/checkbox.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"

namespace {
class RAWControlPanel : public ValidatorBasedPanel {
public:
  explicit RAWControlPanel(RAWControl* control) : control_(control) {}

protected:
  void BindControls() override {
    Bind<wxCheckBox>("ID_USE_RAW_VALUE", wxTemplatePropertyValidator<RAWControl, bool>(
                                             control_, [](const RAWControl& c) { return c.UseRAW; },
                                             [](RAWControl& c, const bool& value) { c.UseRAW = value; }, "%d"));
  }

private:
  RAWControl* control_;
};
}  // namespace

uint32_t RAWControl::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  OpenTable(store);
  UseRAW = store->Read("UseRAW", UseRAW);
  CloseTable(store);
  return 0;
}

uint32_t RAWControl::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  OpenTable(store);
  store->Write("UseRAW", UseRAW);
  CloseTable(store);
  return 0;
}

void RAWControl::AddPanel(PanelList& panels) {
  if (ShowRAWControl) panels.Add({[this] { return new RAWControlPanel(this); }, kXrcName, kTitle});
}
