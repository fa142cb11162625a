#include "streams/DeviceStreamConfigurationPanel.h"

#include <wx/choice.h>
#include <wx/sizer.h>

#include "streams/DeviceStreamConfigurationManager.h"

void DeviceStreamConfigurationPanel::BindControls() {
  list_ = FindControl<wxChoice>(kListId);
  area_ = FindControl<wxWindow>(kAreaId);
  if (!list_ || !area_) return;
  if (!area_->GetSizer()) area_->SetSizer(new wxBoxSizer(wxVERTICAL));
  for (const auto& [typeName, configuration] : manager_.Configurations()) {
    list_->Append(wxString::FromUTF8(typeName));
    wxWindow* shown = nullptr;
    const std::string resource = configuration->ConfigurationPanelName();
    if (ValidatorBasedPanel* panel = resource.empty() ? nullptr : configuration->CreateConfigurationPanel()) {
      if (panel->Load(area_, wxString::FromUTF8(resource))) {
        area_->GetSizer()->Add(panel, 1, wxEXPAND);
        shown = panel;
      } else {
        delete panel;
      }
    }
    panels_.emplace_back(typeName, shown);
  }
  // Only the chosen transport's panel is shown (TransferDataToWindow picks
  // it). The area is as large as the largest of them, so that the dialog is
  // sized for any choice, never for all of them stacked, and a change of
  // transport neither clips nor resizes it.
  wxSize largest;
  for (const auto& [name, panel] : panels_)
    if (panel) {
      largest.IncTo(panel->GetBestSize());
      panel->Hide();
    }
  area_->SetMinSize(largest);
  list_->Bind(wxEVT_CHOICE, &DeviceStreamConfigurationPanel::OnChoice, this);
}

bool DeviceStreamConfigurationPanel::TransferDataToWindow() {
  if (list_) {
    const std::string chosen = manager_.EffectiveTypeName();
    int index = wxNOT_FOUND;
    for (size_t i = 0; i < panels_.size(); ++i)
      if (panels_[i].first == chosen) index = static_cast<int>(i);
    if (index == wxNOT_FOUND && !panels_.empty()) index = 0;
    list_->SetSelection(index);
    ShowChosen();
  }
  return ValidatorBasedPanel::TransferDataToWindow();
}

bool DeviceStreamConfigurationPanel::TransferDataFromWindow() {
  if (!ValidatorBasedPanel::TransferDataFromWindow()) return false;
  const std::string chosen = ChosenTypeName();
  if (!chosen.empty()) manager_.SetSelectedTypeName(chosen);
  return true;
}

std::string DeviceStreamConfigurationPanel::ChosenTypeName() const {
  if (!list_) return {};
  const int index = list_->GetSelection();
  if (index == wxNOT_FOUND || static_cast<size_t>(index) >= panels_.size()) return {};
  return panels_[static_cast<size_t>(index)].first;
}

wxWindow* DeviceStreamConfigurationPanel::PanelOf(const std::string& typeName) const {
  for (const auto& [name, panel] : panels_)
    if (name == typeName) return panel;
  return nullptr;
}

void DeviceStreamConfigurationPanel::OnChoice(wxCommandEvent& event) {
  event.Skip();
  ShowChosen();
}

void DeviceStreamConfigurationPanel::ShowChosen() {
  const std::string chosen = ChosenTypeName();
  for (const auto& [name, panel] : panels_)
    if (panel) panel->Show(name == chosen);
  if (area_) area_->Layout();
  Layout();
}
