#pragma once
// The "Relais" page of the Toyo unit: for each of the two sets a choice of
// the relay ("ID_DURING_RELAIS", "ID_AFTER_RELAIS") and a choice of what
// happens to it ("ID_DURING_TEXT", "ID_AFTER_TEXT"). Edits are kept on the
// page and stored into the driver when the dialog is confirmed.
#include <array>

#include "dialogs/ValidatorSupport.h"
#include "drivers/toyo/ToyoNS4900.h"

class wxChoice;

class ToyoRelaisPanel : public ValidatorBasedPanel {
public:
  explicit ToyoRelaisPanel(ToyoNS4900& driver) : driver_(driver) {}

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

protected:
  void BindControls() override;

private:
  void ShowRelay(int set);

  ToyoNS4900& driver_;
  std::array<std::array<toyo::RelaisSettings, ToyoNS4900::kRelays>, 2> edited_{};
  std::array<wxChoice*, 2> relay_{};
  std::array<wxChoice*, 2> setting_{};
};
