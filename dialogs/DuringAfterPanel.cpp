#include "dialogs/DuringAfterPanel.h"

#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <cstdio>

#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"

namespace {
using Slot = DuringAfterLayout::Slot;
using SlotValidator = wxArrayIndexPropertyValidator<DuringAfterLayout, int, Slot>;

std::string Formatted(const std::string& pattern, int number) {
  char text[128];
  std::snprintf(text, sizeof text, pattern.c_str(), number);
  return text;
}
}  // namespace

std::string DuringAfterLayout::ControlName(int state, int number) const {
  return Formatted(state == 0 ? duringPattern : afterPattern, number);
}

void DuringAfterPanel::CreateMissingChoices() {
  if (layout_.count == 0 || FindWindow(wxXmlResource::GetXRCID(layout_.ControlName(0, 1)))) return;
  wxSizer* sizer = GetSizer();
  if (!sizer) {
    sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(sizer);
  }
  auto* grid = new wxFlexGridSizer(3, 4, 10);
  grid->Add(new wxStaticText(this, wxID_ANY, ""));
  grid->Add(new wxStaticText(this, wxID_ANY, "During the test"));
  grid->Add(new wxStaticText(this, wxID_ANY, "After the test"));
  for (int number = 1; number <= layout_.count; ++number) {
    grid->Add(new wxStaticText(this, wxID_ANY, Formatted(layout_.rowLabel, number)), 0, wxALIGN_CENTER_VERTICAL);
    for (int state = 0; state < 2; ++state)
      grid->Add(new wxChoice(this, wxXmlResource::GetXRCID(layout_.ControlName(state, number))));
  }
  sizer->Add(grid, 0, wxALL, 8);
}

void DuringAfterPanel::BindControls() {
  CreateMissingChoices();
  for (int state = 0; state < 2; ++state) {
    for (int number = 1; number <= layout_.count; ++number) {
      auto* choice = FindControl<wxChoice>(layout_.ControlName(state, number).c_str());
      if (!choice) continue;
      choice->Clear();
      for (const auto& [text, value] : layout_.choices) choice->Append(text, new wxGenericClientData<int>(value));
      SlotValidator validator(
          &layout_, [](const DuringAfterLayout& l, Slot s) { return l.Get(s); },
          [](DuringAfterLayout& l, Slot s, const int& value) { l.Set(s, value); }, Slot{state, number - 1});
      choice->SetValidator(validator);
    }
  }
  ValidatorBasedPanel::Layout();
}
