#pragma once
// Windows that own validators: dialogs and panels laid out by an XRC
// resource whose controls are bound to a driver's fields by validators.
#include <wx/dialog.h>
#include <wx/panel.h>
#include <wx/xrc/xmlres.h>

#include "logging/JournexEntry.h"

template <class W>
class ValidatorSupport : public W {
public:
  ValidatorSupport() { this->SetExtraStyle(this->GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY); }

  // Attaches a copy of the validator to the control of the XRC id when the
  // control exists and is a C (a missing or wrong control is skipped and logged).
  template <class C = wxWindow>
  C* Bind(const char* xrcId, const wxValidator& validator) {
    C* control = FindControl<C>(xrcId);
    if (control) control->SetValidator(validator);
    return control;
  }

  template <class C = wxWindow>
  C* FindControl(const char* xrcId) {
    wxWindow* window = this->FindWindow(wxXmlResource::GetXRCID(xrcId));
    C* control = wxDynamicCast(window, C);
    if (!control)
      JournexEntry::Note("Bind", "ValidatorSupport", "Warning",
                         std::string(window ? "wrong control class for " : "no control ") + xrcId);
    return control;
  }

protected:
  // Binds the controls of the loaded layout; run once after the XRC load.
  virtual void BindControls() = 0;
};

class ValidatorBasedPanel : public ValidatorSupport<wxPanel> {
public:
  // Creates the panel from its XRC resource inside the parent and binds it.
  bool Load(wxWindow* parent, const wxString& xrcName);
};

class ValidatorBasedDialog : public ValidatorSupport<wxDialog> {
public:
  bool Load(wxWindow* parent, const wxString& xrcName);
};
