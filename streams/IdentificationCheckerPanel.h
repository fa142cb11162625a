#pragma once
// The "Identification" page: one text control, "ID_EXPECTED_RESPONSE",
// bound to the expected response of a customisable checker C.
#include <wx/textctrl.h>

#include <memory>
#include <string>

#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "settings/NarrowText.h"

struct IdentificationCheckerPanelResource {
  static constexpr const char* kName = "IdentificationCheckerPanel";
  static constexpr const char* kTitle = "Identification";
  static constexpr const char* kExpectedResponseId = "ID_EXPECTED_RESPONSE";
};

template <class C>
class IdentificationCheckerPanel : public ValidatorBasedPanel {
public:
  explicit IdentificationCheckerPanel(C* checker) : checker_(checker) {}

protected:
  void BindControls() override {
    wxTemplatePropertyValidator<C, wxString> expected(
        checker_, [](const C& c) { return WideFromNarrow(c.GetExpectedResponse()); },
        [](C& c, const wxString& value) { c.SetExpectedResponse(NarrowFromWide(value)); }, "%s");
    Bind<wxTextCtrl>(IdentificationCheckerPanelResource::kExpectedResponseId, expected);
  }

private:
  C* checker_;
};
