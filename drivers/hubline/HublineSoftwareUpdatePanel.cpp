#include "drivers/hubline/HublineSoftwareUpdatePanel.h"

#include <wx/button.h>
#include <wx/filepicker.h>
#include <wx/stattext.h>

#include "logging/JournexEntry.h"

void HublineSoftwareUpdatePanel::BindControls() {
  if (auto* button = FindControl<wxButton>("ID_SOFTWAREUPGRADE"))
    button->Bind(wxEVT_BUTTON, &HublineSoftwareUpdatePanel::OnProgram, this);
}

wxString HublineSoftwareUpdatePanel::StatusText() const {
  auto* status = dynamic_cast<wxStaticText*>(FindWindow(wxXmlResource::GetXRCID("ID_STATUS")));
  return status ? status->GetLabel() : wxString();
}

void HublineSoftwareUpdatePanel::OnProgram(wxCommandEvent&) {
  wxString file;
  if (auto* picker = dynamic_cast<wxFilePickerCtrl*>(FindWindow(wxXmlResource::GetXRCID("ID_FILEPICKER"))))
    file = picker->GetPath();
  JournexEntry::Note("ProgramDevice", "HublineBase", "Error", kNotSupported, {{"File", file}});
  if (auto* status = dynamic_cast<wxStaticText*>(FindWindow(wxXmlResource::GetXRCID("ID_STATUS")))) {
    status->SetLabel(kNotSupported);
    status->Wrap(FromDIP(360));
    Layout();
  }
}
