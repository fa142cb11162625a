#include "streams/rsib/RSIBConfigurationDialog.h"

#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"
#include "settings/NarrowText.h"
#include "streams/rsib/RSIBDeviceStreamConfig.h"

void DeviceStreamConfigurationRSIBConfigurationDialog::BindControls() {
  using Config = RSIBDeviceStreamConfig;
  wxTemplatePropertyValidator<Config, wxString> address(
      configuration_, [](const Config& c) { return WideFromNarrow(c.GetAddress()); },
      [](Config& c, const wxString& value) { c.SetAddress(NarrowFromWide(value.Strip(wxString::both))); }, "%s");
  Bind<wxTextCtrl>(kAddressId, address);
}
