#include "drivers/zevo/ZevoPanel.h"

#include <wx/choice.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"
#include "drivers/zevo/ZevoSwt.h"

namespace {
struct Slot {
  int which;
  int index;
};
using RelayValidator = wxArrayIndexPropertyValidator<ZevoSwt, zevo::RelaisSettings, Slot>;
}  // namespace

std::string ZevoPanel::ControlName(int which, int relay) {
  return std::string(which == ZevoSwt::kDuring ? "ID_DURING_RELAIS" : "ID_AFTER_RELAIS") + std::to_string(relay);
}

void ZevoPanel::BindControls() {
  for (int which = 0; which < 2; ++which) {
    for (int i = 0; i < ZevoSwt::kRelays; ++i) {
      auto* choice = FindControl<wxChoice>(ControlName(which, i + 1).c_str());
      if (!choice) continue;
      choice->Clear();
      for (const auto& [name, value] : EnumClass<zevo::RelaisSettings>::Instance().Entries())
        choice->Append(wxString::FromUTF8(name), new wxGenericClientData<zevo::RelaisSettings>(value));
      choice->SetValidator(RelayValidator(
          &driver_, [](const ZevoSwt& d, Slot s) { return d.Relay(s.which, s.index); },
          [](ZevoSwt& d, Slot s, const zevo::RelaisSettings& v) { d.SetRelay(s.which, s.index, v); },
          Slot{which, i}));
    }
  }
}
