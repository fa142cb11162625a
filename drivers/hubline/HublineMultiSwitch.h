#pragma once
// Several Hubline switch cards configured and switched as one matrix: every
// host operation is passed on to each card in list order. The cards are
// stored in the table "MultiSwitch" ("Count", then one table "Relais<i>" per
// card with its "DeviceType" and the card's own settings).
#include <memory>
#include <string>
#include <vector>

#include "drivers/hubline/HublineSwitchBase.h"
#include "framework/SwitchMatrixBase.h"

class HublineMultiSwitch : public SwitchMatrixBase {
public:
  using Card = std::unique_ptr<HublineSwitchBase>;
  static constexpr const char* kTable = "MultiSwitch";
  static constexpr const char* kPanelName = "HublineMultiSwitchConfigDialog";
  static constexpr const char* kPanelTitle = "Switches";

  // The card of a stored "DeviceType": "TQS2P…", "TQS4P…" or "TQS6P…"; null
  // for an empty or unknown type.
  static Card CreateCard(const std::string& deviceType);

  // Identifies every card in order and stops at the first that fails.
  Status CheckDevice(HostWindow hWnd) override;
  // Every card, also after a failure; the first failure is the result.
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  // Events 3 and 2 switch the during and the after set of every card.
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  // The interlock request is answered closed when every card is alive.
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  // The first card that knows a text for the status gives it.
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  const std::vector<Card>& Cards() const { return cards_; }
  void AddCard(Card card) { cards_.push_back(std::move(card)); }
  // Hands the cards over (the list is empty afterwards) and takes a new list.
  std::vector<Card> ReleaseCards() { return std::move(cards_); }
  void SetCards(std::vector<Card> cards) { cards_ = std::move(cards); }

private:
  std::vector<Card> cards_;
};
