#include "streams/manual/ManualDeviceStreamConfiguration.h"

#include "dialogs/ValidatorSupport.h"
#include "platform/MessageBox.h"

namespace {
// The empty "NoConfig" panel.
class NoConfigPanel : public ValidatorBasedPanel {
protected:
  void BindControls() override {}
};
}  // namespace

Status ManualDeviceStreamConfiguration::ShowConfigurationDialog(uint32_t hostContext) {
  PlatformMessageBox(hostContext, kNothingToConfigure, kTypeName, kMbOk | kMbIconInformation);
  return 0;
}

ValidatorBasedPanel* ManualDeviceStreamConfiguration::CreateConfigurationPanel() { return new NoConfigPanel; }
