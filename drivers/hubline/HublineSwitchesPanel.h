#pragma once
// The "Switches" page of a Hubline card: a "during the test" and an "after
// the test" group, each with a choice per internal relay or switch
// ("ID_DURING_RELAIS_INT_<n>", "ID_AFTER_RELAIS_INT_<n>", labelled by
// "ID_TXT_…") and a choice per external output or box switch
// ("ID_DURING_RELAIS_<n>", "ID_AFTER_RELAIS_<n>"; the box switches sit on
// the pages of "ID_NOTEBOOK_BOX_DURING" / "ID_NOTEBOOK_BOX_AFTER", numbered
// box by box). The page knows the card only through a HublineSwitchesLayout.
#include <wx/string.h>

#include <functional>
#include <vector>

#include "dialogs/ValidatorSupport.h"

struct HublineSwitchesLayout {
  // Which setting of which relay: state 0 during, 1 after; index from 0.
  struct Slot {
    int state = 0;
    int index = 0;
  };
  using Getter = std::function<int(Slot)>;
  using Setter = std::function<void(Slot, int)>;

  int internalCount = 0;                // relays or switches A.. shown
  std::vector<wxString> internalTexts;  // the texts of the values 0, 1, …
  int externalCount = 0;                // outputs, or box switches (4 per box)
  std::vector<wxString> externalTexts;
  Getter getInternal, getExternal;
  Setter setInternal, setExternal;

  int Internal(Slot slot) const { return getInternal(slot); }
  int External(Slot slot) const { return getExternal(slot); }
  void SetInternal(Slot slot, int value) { setInternal(slot, value); }
  void SetExternal(Slot slot, int value) { setExternal(slot, value); }
};

class HublineSwitchesPanel : public ValidatorBasedPanel {
public:
  static constexpr int kInternalControls = 4;
  static constexpr int kSwitchesPerBox = 4;

  explicit HublineSwitchesPanel(HublineSwitchesLayout layout) : layout_(std::move(layout)) {}

  // "ID_DURING_RELAIS_INT_1", "ID_AFTER_RELAIS_3", "ID_TXT_AFTER_RELAIS_INT_2", …
  static std::string ControlName(bool label, int state, bool internal, int number);

protected:
  void BindControls() override;

private:
  void BindPart(bool internal, int count, const std::vector<wxString>& texts);

  HublineSwitchesLayout layout_;
};
