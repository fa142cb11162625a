#include "drivers/osp/OSPPanel.h"

#include <wx/choice.h>

#include "dialogs/PropertyValidators.h"
#include "drivers/osp/OSP.h"

namespace OSP {
namespace {
std::string Id(const char* format, int first, int second = 0) {
  char text[48];
  std::snprintf(text, sizeof text, format, first, second);
  return text;
}
const char* RelayFormat(int which) { return which == OSP::kDuring ? "ID_DURING_RELAIS%d_SLOT%d" : "ID_AFTER_RELAIS%d_SLOT%d"; }
}  // namespace

void SwitchOSPConfigurationPanel::BindControls() {
  const auto modules = EnumClass<eModuleSettingsOSP>::Instance().Entries();
  for (int slot = 0; slot < OSP::kSlots; ++slot) {
    const bool present = slot < driver_.SlotCount();
    if (wxChoice* choice = FindControl<wxChoice>(Id("ID_SELECTMODULE_SLOT%d", slot).c_str())) {
      for (const auto& [name, value] : modules) choice->Append(wxString::FromUTF8(name));
      choice->Enable(present);
      if (present) {
        choice->SetValidator(wxTemplatePropertyValidator<OSP, wxString>(
            &driver_,
            [slot](const OSP& d) { return wxString::FromUTF8(std::string(EnumClass<eModuleSettingsOSP>::Instance().Name(d.Module(slot)))); },
            [slot](OSP& d, const wxString& name) {
              eModuleSettingsOSP module = NoModuleSelected;
              if (EnumClass<eModuleSettingsOSP>::Instance().Value(name.utf8_string(), &module)) d.SetModule(slot, module);
            },
            "%s"));
        choice->Bind(wxEVT_CHOICE, [this, slot](wxCommandEvent& event) {
          event.Skip();
          ShowModule(slot, ChosenModule(slot));
        });
      }
    }
    for (int relay = 0; relay < OSP::kRelays; ++relay) {
      for (int which : {OSP::kDuring, OSP::kAfter}) {
        wxChoice* choice = FindControl<wxChoice>(Id(RelayFormat(which), relay, slot).c_str());
        if (!choice) continue;
        choice->Enable(present);
        if (!present) continue;
        choice->SetValidator(wxTemplatePropertyValidator<OSP, wxString>(
            &driver_, [=](const OSP& d) { return wxString::FromUTF8(d.Position(which, slot, relay)); },
            [=](OSP& d, const wxString& text) { d.SetPosition(which, slot, relay, text.utf8_string()); }, "%s"));
      }
    }
  }
}

eModuleSettingsOSP SwitchOSPConfigurationPanel::ChosenModule(int slot) {
  eModuleSettingsOSP module = NoModuleSelected;
  if (auto* choice = dynamic_cast<wxChoice*>(FindWindow(wxXmlResource::GetXRCID(Id("ID_SELECTMODULE_SLOT%d", slot).c_str()))))
    EnumClass<eModuleSettingsOSP>::Instance().Value(choice->GetStringSelection().utf8_string(), &module);
  return module;
}

void SwitchOSPConfigurationPanel::ShowModule(int slot, eModuleSettingsOSP module) {
  const std::vector<std::string> positions = driver_.AllowedPositions(module);
  const int relays = ModuleTable(module).relays;
  for (int relay = 0; relay < OSP::kRelays; ++relay) {
    for (int which : {OSP::kDuring, OSP::kAfter}) {
      auto* choice = dynamic_cast<wxChoice*>(FindWindow(wxXmlResource::GetXRCID(Id(RelayFormat(which), relay, slot).c_str())));
      if (!choice) continue;
      const wxString kept = choice->GetStringSelection();
      choice->Clear();
      for (const std::string& position : positions) choice->Append(wxString::FromUTF8(position));
      if (!choice->SetStringSelection(kept)) choice->SetSelection(0);
      choice->Enable(relay < relays);
    }
  }
}

bool SwitchOSPConfigurationPanel::TransferDataToWindow() {
  for (int slot = 0; slot < driver_.SlotCount(); ++slot) ShowModule(slot, driver_.Module(slot));
  return ValidatorBasedPanel::TransferDataToWindow();
}

}  // namespace OSP

void AddOSPPanel(OSP::OSP& driver, PanelList& panels) {
  panels.Add({[&driver] { return new OSP::SwitchOSPConfigurationPanel(driver); },
              OSP::SwitchOSPConfigurationPanel::kName, OSP::SwitchOSPConfigurationPanel::kTitle});
}
