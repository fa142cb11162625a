#include "streams/usb/USBConfigurationPanel.h"

#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "dialogs/PropertyValidators.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"
#include "settings/NarrowText.h"

std::string USBConfigurationPanel::Detect(const std::vector<FoundDevice>& devices, std::string* message,
                                          const std::string& failure) {
  message->clear();
  if (!failure.empty()) *message = failure;
  else if (devices.empty()) *message = kNoDevice;
  else if (devices.size() > 1) *message = kMultipleDevices;
  else if (devices.front().identifier.empty()) *message = kUnidentified;
  else return devices.front().identifier;
  return {};
}

void USBConfigurationPanel::RunDetection() {
  std::string message;
  const std::unique_ptr<GenericDeviceFinder> finder = finder_();
  const std::vector<FoundDevice> devices = finder->ListDevices();
  const std::string identifier = Detect(devices, &message, finder->FailureText());
  JournexEntry::Note("RunDetection", "USBConfigurationPanel", "Note", "Device detection",
                     {{"identifier", identifier}, {"message", message}});
  if (identifier.empty()) {
    PlatformMessageBox(0, message, kTitle, kMbOk | kMbIconWarning);
    return;
  }
  if (wxTextCtrl* text = FindControl<wxTextCtrl>(kDeviceId)) text->SetValue(WideFromNarrow(identifier));
}

void USBConfigurationPanel::BindControls() {
  wxTemplatePropertyValidator<USBConfigurationPanel, wxString> text(
      this, [](const USBConfigurationPanel& p) { return WideFromNarrow(p.get_()); },
      [](USBConfigurationPanel& p, const wxString& value) { p.set_(NarrowFromWide(value.Strip(wxString::both))); },
      "%s");
  Bind<wxTextCtrl>(kDeviceId, text);
  // The button's click reaches the panel.
  wxPanel::Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { RunDetection(); }, XRCID(kDetectId));
}
