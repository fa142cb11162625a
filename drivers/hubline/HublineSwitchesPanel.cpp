#include "drivers/hubline/HublineSwitchesPanel.h"

#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/stattext.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"

namespace {
using Slot = HublineSwitchesLayout::Slot;
using SlotValidator = wxArrayIndexPropertyValidator<HublineSwitchesLayout, int, Slot>;

// The choice lists the texts, each with its value as client data, so that
// the validator selects and reads values rather than positions.
void Fill(wxChoice& choice, const std::vector<wxString>& texts) {
  choice.Clear();
  for (size_t value = 0; value < texts.size(); ++value)
    choice.Append(texts[value], new wxGenericClientData<int>(static_cast<int>(value)));
}
}  // namespace

std::string HublineSwitchesPanel::ControlName(bool label, int state, bool internal, int number) {
  return std::string(label ? "ID_TXT_" : "ID_") + (state == 0 ? "DURING" : "AFTER") + "_RELAIS_" +
         (internal ? "INT_" : "") + std::to_string(number);
}

void HublineSwitchesPanel::BindControls() {
  BindPart(true, layout_.internalCount, layout_.internalTexts);
  BindPart(false, layout_.externalCount, layout_.externalTexts);
  // Box notebooks show as many pages as the card has boxes; none hides them.
  const int boxes = layout_.externalCount / kSwitchesPerBox;
  for (const char* name : {"ID_NOTEBOOK_BOX_DURING", "ID_NOTEBOOK_BOX_AFTER"}) {
    wxWindow* window = FindWindow(wxXmlResource::GetXRCID(name));
    auto* notebook = dynamic_cast<wxNotebook*>(window);
    if (!notebook) continue;
    while (static_cast<int>(notebook->GetPageCount()) > boxes) notebook->DeletePage(notebook->GetPageCount() - 1);
    if (boxes == 0) {
      notebook->Hide();
      if (wxWindow* title = FindWindow(wxXmlResource::GetXRCID(wxString(name) + "_LABEL"))) title->Hide();
    }
  }
  Layout();
}

void HublineSwitchesPanel::BindPart(bool internal, int count, const std::vector<wxString>& texts) {
  for (int state = 0; state < 2; ++state) {
    for (int number = 1;; ++number) {
      const std::string name = ControlName(false, state, internal, number);
      wxWindow* window = FindWindow(wxXmlResource::GetXRCID(name));
      if (!window) break;
      auto* choice = dynamic_cast<wxChoice*>(window);
      wxWindow* label = FindWindow(wxXmlResource::GetXRCID(ControlName(true, state, internal, number)));
      if (number > count || !choice) {
        // A relay the card does not have: neither shown nor stored.
        window->Hide();
        if (label) label->Hide();
        continue;
      }
      Fill(*choice, texts);
      const Slot slot{state, number - 1};
      SlotValidator validator(
          &layout_, [internal](const HublineSwitchesLayout& l, Slot s) { return internal ? l.Internal(s) : l.External(s); },
          [internal](HublineSwitchesLayout& l, Slot s, const int& value) {
            internal ? l.SetInternal(s, value) : l.SetExternal(s, value);
          },
          slot);
      choice->SetValidator(validator);
    }
  }
}
