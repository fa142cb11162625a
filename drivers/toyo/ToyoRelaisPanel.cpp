#include "drivers/toyo/ToyoRelaisPanel.h"

#include <wx/choice.h>

#include "dialogs/DuringAfterPanel.h"

namespace {
constexpr const char* kRelayIds[] = {"ID_DURING_RELAIS", "ID_AFTER_RELAIS"};
constexpr const char* kSettingIds[] = {"ID_DURING_TEXT", "ID_AFTER_TEXT"};
}  // namespace

void ToyoRelaisPanel::BindControls() {
  for (int set = 0; set < 2; ++set) {
    relay_[set] = FindControl<wxChoice>(kRelayIds[set]);
    setting_[set] = FindControl<wxChoice>(kSettingIds[set]);
    if (!relay_[set] || !setting_[set]) continue;
    for (int relay = 1; relay <= driver_.RelayCount(); ++relay) relay_[set]->Append(wxString::Format("Relais %d", relay));
    for (const auto& choice : EnumChoices<toyo::RelaisSettings>()) setting_[set]->Append(choice.first);
    relay_[set]->Bind(wxEVT_CHOICE, [this, set](wxCommandEvent&) { ShowRelay(set); });
    setting_[set]->Bind(wxEVT_CHOICE, [this, set](wxCommandEvent&) {
      const int relay = relay_[set]->GetSelection();
      const int value = setting_[set]->GetSelection();
      if (relay >= 0 && value >= 0) edited_[set][relay] = static_cast<toyo::RelaisSettings>(value);
    });
  }
}

void ToyoRelaisPanel::ShowRelay(int set) {
  if (!relay_[set] || !setting_[set]) return;
  const int relay = relay_[set]->GetSelection();
  if (relay >= 0) setting_[set]->SetSelection(static_cast<int>(edited_[set][relay]));
}

bool ToyoRelaisPanel::TransferDataToWindow() {
  for (int set = 0; set < 2; ++set) {
    for (int relay = 0; relay < ToyoNS4900::kRelays; ++relay) edited_[set][relay] = driver_.Setting(set, relay);
    if (relay_[set] && relay_[set]->GetSelection() < 0) relay_[set]->SetSelection(0);
    ShowRelay(set);
  }
  return ValidatorBasedPanel::TransferDataToWindow();
}

bool ToyoRelaisPanel::TransferDataFromWindow() {
  for (int set = 0; set < 2; ++set)
    for (int relay = 0; relay < ToyoNS4900::kRelays; ++relay) driver_.SetSetting(set, relay, edited_[set][relay]);
  return ValidatorBasedPanel::TransferDataFromWindow();
}
