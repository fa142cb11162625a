#include "drivers/kre/KREPanels.h"

#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"

namespace {
DuringAfterLayout RelayLayout(KREBase& box) {
  DuringAfterLayout layout;
  layout.count = KREBase::kRelays;
  layout.choices = KREBase::PositionChoices();
  layout.get = [&box](DuringAfterLayout::Slot s) { return box.Position(s.state, s.index); };
  layout.set = [&box](DuringAfterLayout::Slot s, int v) { box.SetPosition(s.state, s.index, v); };
  return layout;
}
}  // namespace

KREPanel::KREPanel(KREBase& box, KREAntennaTower* tower) : DuringAfterPanel(RelayLayout(box)), box_(box), tower_(tower) {}

void KREPanel::BindControls() {
  if (tower_) {
    wxRangeDecoratorValidator<int> waiting(
        new wxTemplatePropertyValidator<KREAntennaTower, int>(
            tower_, [](const KREAntennaTower& t) { return t.WaitTime(); },
            [](KREAntennaTower& t, const int& v) { t.SetWaitTime(v); }, "%d"),
        0, 3600000);
    Bind<wxTextCtrl>("ID_WAITINGTIME", waiting);
  } else {
    wxRangeDecoratorValidator<int> wait(
        new wxTemplatePropertyValidator<KREBase, int>(
            &box_, [](const KREBase& b) { return b.Wait(); }, [](KREBase& b, const int& v) { b.SetWait(v); }, "%d"),
        0, 3600000);
    Bind<wxTextCtrl>("ID_WAIT", wait);
  }
  DuringAfterPanel::BindControls();
}
