#include "drivers/probex/Probex5Panels.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/ffile.h>
#include <wx/filedlg.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

#include "dialogs/ControlValue.h"
#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"

namespace {
using Driver = Probex5CalibrationSwitch;

// A choice of an enumeration's values, each with its value as client data.
template <class E>
void BindChoice(ValidatorBasedPanel& panel, const char* id, std::function<E(const Driver&)> get,
                std::function<void(Driver&, const E&)> set, Driver& driver) {
  auto* choice = panel.FindControl<wxChoice>(id);
  if (!choice) return;
  for (const auto& [name, value] : EnumClass<E>::Instance().Entries())
    choice->Append(wxString::FromUTF8(name), new wxGenericClientData<E>(value));
  choice->SetValidator(wxTemplatePropertyValidator<Driver, E>(&driver, std::move(get), std::move(set)));
}
}  // namespace

void Probex5JustatiePanel::BindControls() {
  BindChoice<probex::Axis>(*this, "ID_Axis", [](const Driver& d) { return d.AxisSetting(); },
                           [](Driver& d, const probex::Axis& v) { d.SetAxis(v); }, driver_);
  BindChoice<probex::Band>(*this, "ID_Band", [](const Driver& d) { return d.BandSetting(); },
                           [](Driver& d, const probex::Band& v) { d.SetBand(v); }, driver_);
  BindChoice<probex::Antenna>(*this, "ID_Antenna", [](const Driver& d) { return d.AntennaSetting(); },
                              [](Driver& d, const probex::Antenna& v) { d.SetAntenna(v); }, driver_);
  if (auto* band = FindControl<wxChoice>("ID_Band"))
    band->Bind(wxEVT_CHOICE, [this](wxCommandEvent& event) {
      event.Skip();
      EnableAntenna();
    });
}

bool Probex5JustatiePanel::TransferDataToWindow() {
  const bool done = ValidatorBasedPanel::TransferDataToWindow();
  EnableAntenna();
  return done;
}

void Probex5JustatiePanel::EnableAntenna() {
  wxWindow* band = FindWindow(wxXmlResource::GetXRCID("ID_Band"));
  wxWindow* antenna = FindWindow(wxXmlResource::GetXRCID("ID_Antenna"));
  int64_t value = 0;
  if (band && antenna && control::ReadSelectedNumber(band, &value)) antenna->Enable(value == probex::PX5_High_Band);
}

wxString Probex5ProgramPanel::RowsOfAxis(const wxString& file, const wxString& code) {
  wxString rows;
  wxStringTokenizer lines(file, "\r\n", wxTOKEN_STRTOK);
  while (lines.HasMoreTokens()) {
    const wxString line = lines.GetNextToken();
    if (line.BeforeFirst(',').Trim().Trim(false).IsSameAs(code, false)) rows << line << "\n";
  }
  return rows;
}

void Probex5ProgramPanel::BindControls() {
  if (auto* axis = FindControl<wxChoice>("ID_SELECTEDAXIS")) {
    for (const char* code : kAxisCodes) axis->Append(code);
    axis->SetSelection(0);
    axis->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { ShowRows(); });
  }
  if (auto* open = FindControl<wxButton>("ID_OPEN_FILE")) open->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Open(); });
  if (auto* save = FindControl<wxButton>("ID_SAVE_FILE")) save->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Save(); });
}

void Probex5ProgramPanel::ShowRows() {
  auto* axis = FindControl<wxChoice>("ID_SELECTEDAXIS");
  auto* table = FindControl<wxTextCtrl>("ID_PROGRAM_TABLE");
  if (axis && table) table->SetValue(RowsOfAxis(fileText_, axis->GetStringSelection()));
}

void Probex5ProgramPanel::Open() {
  wxFileDialog dialog(this, "Open Probex5 file", "", "", kFileFilter, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (dialog.ShowModal() != wxID_OK) return;
  wxFFile file(dialog.GetPath(), "rb");
  if (file.IsOpened() && file.ReadAll(&fileText_)) ShowRows();
}

void Probex5ProgramPanel::Save() {
  wxFileDialog dialog(this, "Save Probex5 file", "", "", kFileFilter, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  if (dialog.ShowModal() != wxID_OK) return;
  wxFFile file(dialog.GetPath(), "wb");
  if (file.IsOpened()) file.Write(fileText_);
}
