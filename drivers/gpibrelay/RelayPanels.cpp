#include "drivers/gpibrelay/RelayPanels.h"

#include <wx/choice.h>

#include <cstdio>

#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"

namespace {
struct Slot {
  int set;
  int item;
};
using SlotValidator = wxArrayIndexPropertyValidator<RelaySettingsTable, long, Slot>;
}  // namespace

std::string RelayChoicesPanel::ControlName(const std::string& format, int number) {
  char name[64];
  std::snprintf(name, sizeof name, format.c_str(), number);
  return name;
}

void RelayChoicesPanel::BindControls() {
  RelaySettingsTable& settings = model_.Settings();
  const std::vector<RelayChoice> choices = model_.Choices();
  const std::string formats[2] = {layout_.duringFormat, layout_.afterFormat};
  for (int set = 0; set < 2; ++set) {
    const bool numbered = formats[set].find('%') != std::string::npos;
    for (int number = 1; numbered || number == 1; ++number) {
      wxWindow* window = FindWindow(wxXmlResource::GetXRCID(ControlName(formats[set], number)));
      if (!window) break;
      auto* choice = dynamic_cast<wxChoice*>(window);
      if (number > settings.Count() || !choice) {
        window->Hide();
        continue;
      }
      choice->Clear();
      for (const RelayChoice& entry : choices) choice->Append(entry.text, new wxGenericClientData<long>(entry.value));
      choice->SetValidator(SlotValidator(
          &settings, [](const RelaySettingsTable& s, Slot slot) { return s.Get(slot.set, slot.item); },
          [](RelaySettingsTable& s, Slot slot, const long& value) { s.Set(slot.set, slot.item, value); },
          Slot{set, number - 1}));
    }
  }
  // Rows of eight relays: rows the driver does not reach are hidden.
  for (int row = 2; row <= 3; ++row) {
    for (const char* name : {"ID_DURING_ROW", "ID_AFTER_ROW"}) {
      wxWindow* window = FindWindow(wxXmlResource::GetXRCID(wxString(name) << row));
      if (window && settings.Count() <= (row - 1) * kRelaysPerRow) window->Hide();
    }
  }
  Layout();
}

void AddRelayChoicesPanel(PanelList& panels, RelayDriverDialogModel& model, RelayPanelLayout layout) {
  const std::string xrcName = layout.xrcName, title = layout.title;
  panels.Add({[&model, layout] { return new RelayChoicesPanel(model, layout); }, xrcName, title});
}
