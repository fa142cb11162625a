#pragma once
// The "Switches" page of a multi-switch board: the list of its switch cards
// ("ID_SWITCHERS"), buttons that add a TQS2PA, TQS4PA or TQS6PA card, one
// that opens the selected card's own dialog and one that removes it after a
// question. The page works on a copy of the list: OK hands it to the board,
// Cancel leaves the board as it was. A card's own dialog stores into the card
// at once, so the page keeps the card's settings from before that dialog in a
// scratch file and restores them when the board's dialog is cancelled.
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ValidatorSupport.h"
#include "framework/DeviceDriverBase.h"

class HublineMultiSwitch;
class HublineSwitchBase;
class wxListBox;

class HublineMultiSwitchPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kListId = "ID_SWITCHERS";
  static constexpr const char* kRemoveQuestion =
      "Are you sure to remove the selected switch board from the configuration?";
  static constexpr const char* kRemoveTitle = "Hubline Multi Switch";
  // Button id and the card type it adds.
  struct AddButton {
    const char* id;
    const char* deviceType;
  };
  static constexpr AddButton kAddButtons[] = {
      {"ID_ADD_TQS2PA", "TQS2PA"}, {"ID_ADD_TQS4PA", "TQS4PA"}, {"ID_ADD_TQS6PA", "TQS6PA"}};

  HublineMultiSwitchPanel(HublineMultiSwitch& board, HostWindow hWnd);
  // Restores the cards configured on this page unless OK handed the list over.
  ~HublineMultiSwitchPanel() override;

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  // The cards as the page lists them (not yet handed to the board).
  std::vector<HublineSwitchBase*> ListedCards() const;
  // The list entry of a card: "2: TQS4PA in slot 3".
  static wxString EntryText(size_t index, const HublineSwitchBase& card);

protected:
  void BindControls() override;

private:
  struct Entry {
    HublineSwitchBase* card;
    std::unique_ptr<HublineSwitchBase> added;  // set for a card added on this page
    std::string saved;  // the card's settings before its own dialog first ran, when it did
  };
  void ForgetSavedSettings();
  void Add(const char* deviceType);
  void Remove();
  void Configure();
  void Refill(int selection);

  HublineMultiSwitch& board_;
  HostWindow hWnd_;
  wxListBox* list_ = nullptr;
  std::vector<Entry> entries_;
};
