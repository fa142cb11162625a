#include "streams/visa/VISADeviceStreamConfigurationDialog.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <regex>

#include "dialogs/PropertyValidators.h"
#include "legacy/VisaResourceName.h"
#include "settings/NarrowText.h"
#include "streams/visa/VISADeviceStreamConfiguration.h"

namespace {
constexpr const char* kRadios[] = {"ID_RADALIAS", "ID_RADGPIB", "ID_RADLAN", "ID_RADRS232", "ID_RADVISA"};
constexpr const char* kEntries[] = {"ID_TXTALIAS", "ID_OPTGPIB", "ID_TXTLAN", "ID_CBORS232", "ID_TXTVISA"};

using Form = VISADeviceStreamConfigurationDialog::Form;

// Moves the identifier between the configuration and the panel's controls.
class IdentifierValidator : public wxValidator {
public:
  IdentifierValidator(VISADeviceStreamConfiguration* configuration, VISADeviceStreamConfigurationDialog* panel)
      : configuration_(configuration), panel_(panel) {}
  wxObject* Clone() const override { return new IdentifierValidator(*this); }
  bool Validate(wxWindow*) override { return true; }
  bool TransferToWindow() override {
    panel_->ShowIdentifier(configuration_->GetIdentifier());
    return true;
  }
  bool TransferFromWindow() override {
    configuration_->SetIdentifier(panel_->BuiltIdentifier());
    return true;
  }

private:
  VISADeviceStreamConfiguration* configuration_;
  VISADeviceStreamConfigurationDialog* panel_;
};

bool IsIPv4(const std::string& text) {
  static const std::regex address(R"(^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\.){3}(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$)");
  return text.size() <= 15 && std::regex_search(text, address);
}

std::string Trimmed(const wxString& text) { return NarrowFromWide(wxString(text).Strip(wxString::both)); }
}  // namespace

Form VISADeviceStreamConfigurationDialog::FormOf(const std::string& identifier, std::string* value) {
  static const std::regex serial("^ASRL([0-9]+)::INSTR");
  static const std::regex gpib("^GPIB0::([0-9]+)::INSTR");
  static const std::regex lan("^TCPIP0::([0-9.]+)::INSTR");
  static const std::regex alias("^[A-Za-z][A-Za-z0-9_]*$");
  if (identifier.size() > VisaResourceName::kLongestName) {
    *value = identifier;
    return Form::kVisa;
  }
  std::smatch match;
  if (std::regex_search(identifier, match, serial)) {
    *value = match[1].str();
    return Form::kSerial;
  }
  if (std::regex_search(identifier, match, gpib) && std::stoi(match[1].str().substr(0, 4)) <= kLargestGpibAddress) {
    *value = match[1].str();
    return Form::kGpib;
  }
  if (std::regex_search(identifier, match, lan)) {
    *value = match[1].str();
    return Form::kLan;
  }
  *value = identifier;
  return std::regex_search(identifier, alias) ? Form::kAlias : Form::kVisa;
}

void VISADeviceStreamConfigurationDialog::BindControls() {
  if (auto* gpib = FindControl<wxChoice>("ID_OPTGPIB")) {
    gpib->Clear();
    for (int address = 0; address <= kLargestGpibAddress; ++address) gpib->Append(wxString::Format("%i", address));
  }
  if (auto* serial = FindControl<wxComboBox>("ID_CBORS232")) {
    serial->Clear();
    for (int port = 1; port <= kLargestListedPort; ++port) serial->Append(wxString::Format("COM%i", port));
  }
  if (auto* lan = FindControl<wxTextCtrl>("ID_TXTLAN")) lan->ChangeValue(VisaResourceName::kPlaceholderAddress);
  Bind<wxRadioButton>("ID_RADALIAS", IdentifierValidator(configuration_, this));
  using Config = VISADeviceStreamConfiguration;
  Bind<wxCheckBox>("ID_TRYHISLIP", wxTemplatePropertyValidator<Config, bool>(
                                       configuration_, [](const Config& c) { return c.GetTryHiSLIP(); },
                                       [](Config& c, const bool& value) { c.SetTryHiSLIP(value); }));
  for (const char* id : kRadios)
    if (auto* radio = FindControl<wxRadioButton>(id)) radio->Bind(wxEVT_RADIOBUTTON, &VISADeviceStreamConfigurationDialog::OnChange, this);
  for (const char* id : {"ID_TXTALIAS", "ID_TXTLAN", "ID_TXTVISA"})
    if (auto* text = FindControl<wxTextCtrl>(id)) text->Bind(wxEVT_TEXT, &VISADeviceStreamConfigurationDialog::OnChange, this);
}

void VISADeviceStreamConfigurationDialog::ShowIdentifier(const std::string& identifier) {
  std::string value;
  const Form form = FormOf(identifier, &value);
  const wxString text = WideFromNarrow(value);
  switch (form) {
    case Form::kAlias:
      if (auto* alias = FindControl<wxTextCtrl>("ID_TXTALIAS")) alias->ChangeValue(text);
      break;
    case Form::kGpib:
      if (auto* gpib = FindControl<wxChoice>("ID_OPTGPIB")) gpib->SetSelection(std::stoi(value.substr(0, 4)));
      break;
    case Form::kLan:
      if (auto* lan = FindControl<wxTextCtrl>("ID_TXTLAN")) lan->ChangeValue(text);
      break;
    case Form::kSerial:
      if (auto* serial = FindControl<wxComboBox>("ID_CBORS232")) serial->SetValue("COM" + text);
      break;
    case Form::kVisa:
      if (auto* visa = FindControl<wxTextCtrl>("ID_TXTVISA")) visa->ChangeValue(text);
      break;
  }
  if (auto* radio = FindControl<wxRadioButton>(kRadios[static_cast<int>(form)])) radio->SetValue(true);
  Update();
}

Form VISADeviceStreamConfigurationDialog::ChosenForm() {
  for (int form = 0; form < 5; ++form)
    if (auto* radio = FindControl<wxRadioButton>(kRadios[form]); radio && radio->GetValue()) return static_cast<Form>(form);
  return Form::kVisa;
}

std::string VISADeviceStreamConfigurationDialog::BuiltIdentifier() {
  switch (ChosenForm()) {
    case Form::kAlias:
      return Trimmed(FindControl<wxTextCtrl>("ID_TXTALIAS")->GetValue());
    case Form::kGpib: {
      const int address = FindControl<wxChoice>("ID_OPTGPIB")->GetSelection();
      return VisaResourceName::Gpib(address < 0 ? 0 : address);
    }
    case Form::kLan:
      return VisaResourceName::Tcpip(Trimmed(FindControl<wxTextCtrl>("ID_TXTLAN")->GetValue()));
    case Form::kSerial: {
      long port = 1;
      const wxString text = FindControl<wxComboBox>("ID_CBORS232")->GetValue().Upper();
      if (!text.StartsWith("COM") || !text.Mid(3).ToLong(&port) || port < 1) port = 1;
      return VisaResourceName::Serial(port);
    }
    case Form::kVisa:
      break;
  }
  return Trimmed(FindControl<wxTextCtrl>("ID_TXTVISA")->GetValue());
}

void VISADeviceStreamConfigurationDialog::OnChange(wxCommandEvent& event) {
  Update();
  event.Skip();
}

void VISADeviceStreamConfigurationDialog::Update() {
  const Form form = ChosenForm();
  for (int index = 0; index < 5; ++index)
    if (wxWindow* entry = FindWindow(wxXmlResource::GetXRCID(kEntries[index]))) entry->Enable(index == static_cast<int>(form));
  const auto text = [this](const char* id) {
    auto* control = FindControl<wxTextCtrl>(id);
    return control ? Trimmed(control->GetValue()) : std::string();
  };
  const std::string lan = text("ID_TXTLAN");
  const bool emptyText = (form == Form::kAlias && text("ID_TXTALIAS").empty()) ||
                         (form == Form::kVisa && text("ID_TXTVISA").empty());
  const bool badAddress = form == Form::kLan && !IsIPv4(lan);
  const bool placeholder = form == Form::kLan && lan == VisaResourceName::kPlaceholderAddress;
  const std::pair<const char*, bool> warnings[] = {
      {"ID_TWARNING", emptyText}, {"ID_IWARNING", badAddress}, {"ID_LWARNING", placeholder}};
  for (const auto& [id, shown] : warnings)
    if (wxWindow* warning = FindWindow(wxXmlResource::GetXRCID(id))) warning->Show(shown);
  Layout();
}
