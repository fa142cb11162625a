#include "drivers/hubline/HublineMultiSwitchPanel.h"

#include <wx/button.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/listbox.h>

#include "drivers/hubline/HublineMultiSwitch.h"
#include "platform/MessageBox.h"

HublineMultiSwitchPanel::HublineMultiSwitchPanel(HublineMultiSwitch& board, HostWindow hWnd)
    : board_(board), hWnd_(hWnd) {}

HublineMultiSwitchPanel::~HublineMultiSwitchPanel() {
  for (Entry& entry : entries_)
    if (!entry.saved.empty()) entry.card->LoadConfiguration(0, entry.saved.c_str());
  ForgetSavedSettings();
}

void HublineMultiSwitchPanel::ForgetSavedSettings() {
  for (Entry& entry : entries_)
    if (!entry.saved.empty()) {
      wxRemoveFile(wxString::FromUTF8(entry.saved));
      entry.saved.clear();
    }
}

wxString HublineMultiSwitchPanel::EntryText(size_t index, const HublineSwitchBase& card) {
  return wxString::Format("%zu: %s in slot %s", index + 1, wxString::FromUTF8(card.ModelName()),
                          wxString::FromUTF8(card.DeviceID()));
}

void HublineMultiSwitchPanel::BindControls() {
  list_ = FindControl<wxListBox>(kListId);
  for (const AddButton& add : kAddButtons) {
    auto* button = FindControl<wxButton>(add.id);
    if (!button) continue;
    // A type this module cannot create is not offered.
    button->Enable(HublineMultiSwitch::CreateCard(add.deviceType) != nullptr);
    const char* type = add.deviceType;
    button->Bind(wxEVT_BUTTON, [this, type](wxCommandEvent&) { Add(type); });
  }
  if (auto* remove = FindControl<wxButton>("ID_REMOVE"))
    remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Remove(); });
  if (auto* configure = FindControl<wxButton>("ID_CONFIGURE"))
    configure->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Configure(); });
  if (list_) list_->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { Configure(); });
}

bool HublineMultiSwitchPanel::TransferDataToWindow() {
  ForgetSavedSettings();
  entries_.clear();
  for (const HublineMultiSwitch::Card& card : board_.Cards()) entries_.push_back({card.get(), nullptr, {}});
  Refill(entries_.empty() ? wxNOT_FOUND : 0);
  return ValidatorBasedPanel::TransferDataToWindow();
}

bool HublineMultiSwitchPanel::TransferDataFromWindow() {
  if (!ValidatorBasedPanel::TransferDataFromWindow()) return false;
  ForgetSavedSettings();
  std::vector<HublineMultiSwitch::Card> old = board_.ReleaseCards();
  std::vector<HublineMultiSwitch::Card> cards;
  for (Entry& entry : entries_) {
    if (entry.added) {
      cards.push_back(std::move(entry.added));
      continue;
    }
    for (HublineMultiSwitch::Card& kept : old)
      if (kept.get() == entry.card) cards.push_back(std::move(kept));
  }
  board_.SetCards(std::move(cards));
  entries_.clear();
  for (const HublineMultiSwitch::Card& card : board_.Cards()) entries_.push_back({card.get(), nullptr, {}});
  return true;
}

std::vector<HublineSwitchBase*> HublineMultiSwitchPanel::ListedCards() const {
  std::vector<HublineSwitchBase*> cards;
  for (const Entry& entry : entries_) cards.push_back(entry.card);
  return cards;
}

void HublineMultiSwitchPanel::Add(const char* deviceType) {
  HublineMultiSwitch::Card card = HublineMultiSwitch::CreateCard(deviceType);
  if (!card) return;
  HublineSwitchBase* raw = card.get();
  entries_.push_back({raw, std::move(card), {}});
  Refill(static_cast<int>(entries_.size()) - 1);
}

void HublineMultiSwitchPanel::Remove() {
  const int selection = list_ ? list_->GetSelection() : wxNOT_FOUND;
  if (selection == wxNOT_FOUND || static_cast<size_t>(selection) >= entries_.size()) return;
  if (board_.LoggedMessageBox(hWnd_, kRemoveQuestion, kRemoveTitle, kMbYesNo | kMbIconQuestion) != kIdYes) return;
  Entry& removed = entries_[static_cast<size_t>(selection)];
  // A removed card that stays on the board if the dialog is cancelled gets its settings back then.
  if (!removed.saved.empty()) {
    removed.card->LoadConfiguration(0, removed.saved.c_str());
    wxRemoveFile(wxString::FromUTF8(removed.saved));
  }
  entries_.erase(entries_.begin() + selection);
  Refill(std::min(selection, static_cast<int>(entries_.size()) - 1));
}

void HublineMultiSwitchPanel::Configure() {
  const int selection = list_ ? list_->GetSelection() : wxNOT_FOUND;
  if (selection == wxNOT_FOUND || static_cast<size_t>(selection) >= entries_.size()) return;
  Entry& entry = entries_[static_cast<size_t>(selection)];
  if (!entry.added && entry.saved.empty()) {
    const wxString scratch = wxFileName::CreateTempFileName("swm-hubline-card-");
    if (!scratch.empty() && entry.card->SaveConfiguration(0, scratch.utf8_str()) == 0)
      entry.saved = scratch.utf8_string();
    else if (!scratch.empty())
      wxRemoveFile(scratch);
  }
  entry.card->ShowConfigurationDialog(hWnd_);
  Refill(selection);
}

void HublineMultiSwitchPanel::Refill(int selection) {
  if (!list_) return;
  list_->Clear();
  for (size_t i = 0; i < entries_.size(); ++i) list_->Append(EntryText(i, *entries_[i].card));
  if (selection != wxNOT_FOUND) list_->SetSelection(selection);
  for (const char* id : {"ID_REMOVE", "ID_CONFIGURE"})
    if (wxWindow* button = FindWindow(wxXmlResource::GetXRCID(id))) button->Enable(!entries_.empty());
}
