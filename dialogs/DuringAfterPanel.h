#pragma once
// A page of "during the test" and "after the test" choices, one pair per
// relay or switch: the choices are named by two printf patterns with the
// 1-based number ("ID_DURING_RELAIS%d", "ID_AFTER_RELAIS%d"), list the
// setting texts with their values as client data, and are bound to the
// driver through a getter and a setter. Choices the XRC layout does not
// hold are created in a grid under the layout's own controls.
#include <wx/string.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/ValidatorSupport.h"

struct DuringAfterLayout {
  struct Slot {
    int state = 0;  // 0 during, 1 after
    int index = 0;  // from 0
  };
  int count = 0;
  std::string duringPattern = "ID_DURING_RELAIS%d";
  std::string afterPattern = "ID_AFTER_RELAIS%d";
  std::string rowLabel = "Relais %d";
  std::vector<std::pair<wxString, int>> choices;  // text and value
  std::function<int(Slot)> get;
  std::function<void(Slot, int)> set;

  int Get(Slot slot) const { return get(slot); }
  void Set(Slot slot, int value) { set(slot, value); }
  std::string ControlName(int state, int number) const;
};

class DuringAfterPanel : public ValidatorBasedPanel {
public:
  explicit DuringAfterPanel(DuringAfterLayout layout) : layout_(std::move(layout)) {}

protected:
  void BindControls() override;
  DuringAfterLayout& Arrangement() { return layout_; }

private:
  void CreateMissingChoices();

  DuringAfterLayout layout_;
};

// The texts of an enumeration's named values (bounds left out) with their values.
template <class E>
std::vector<std::pair<wxString, int>> EnumChoices() {
  std::vector<std::pair<wxString, int>> choices;
  const int largest = static_cast<int>(EnumClass<E>::Instance().Largest());
  for (int value = 0; value <= largest; ++value) {
    const wxString name = EnumDisplayName(static_cast<E>(value));
    if (!name.empty()) choices.emplace_back(name, value);
  }
  return choices;
}
