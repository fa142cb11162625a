#pragma once
// A panel whose controls are bound by a function given at construction, for
// drivers whose settings are reached through small getters and setters:
// check boxes, number and text fields, and choices whose selection stands
// for an index into a list of texts.
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"

class BoundPanel : public ValidatorBasedPanel {
public:
  using Binder = std::function<void(BoundPanel&)>;
  explicit BoundPanel(Binder binder) : binder_(std::move(binder)) {}

  wxCheckBox* BindCheck(const char* xrcId, std::function<bool()> get, std::function<void(bool)> set) {
    return Bind<wxCheckBox>(xrcId, wxTemplatePropertyValidator<BoundPanel, bool>(
                                       this, [get](const BoundPanel&) { return get(); },
                                       [set](BoundPanel&, const bool& value) { set(value); }));
  }
  wxTextCtrl* BindNumber(const char* xrcId, std::function<int()> get, std::function<void(int)> set) {
    return Bind<wxTextCtrl>(xrcId, wxTemplatePropertyValidator<BoundPanel, int>(
                                       this, [get](const BoundPanel&) { return get(); },
                                       [set](BoundPanel&, const int& value) { set(value); }, "%d"));
  }
  wxTextCtrl* BindText(const char* xrcId, std::function<wxString()> get, std::function<void(const wxString&)> set) {
    return Bind<wxTextCtrl>(xrcId, wxTemplatePropertyValidator<BoundPanel, wxString>(
                                       this, [get](const BoundPanel&) { return get(); },
                                       [set](BoundPanel&, const wxString& value) { set(value); }, "%s"));
  }
  // Fills the choice with the texts; its selection is the index get() gives
  // and set() receives (an index outside the list shows no selection).
  wxChoice* BindChoice(const char* xrcId, const std::vector<std::string>& texts, std::function<int()> get,
                       std::function<void(int)> set) {
    wxChoice* choice = FindControl<wxChoice>(xrcId);
    if (!choice) return nullptr;
    FillChoice(*choice, texts);
    auto shared = std::make_shared<std::vector<std::string>>(texts);
    choice->SetValidator(wxTemplatePropertyValidator<BoundPanel, wxString>(
        this,
        [get, shared](const BoundPanel&) {
          const int index = get();
          return index >= 0 && index < static_cast<int>(shared->size()) ? wxString::FromUTF8((*shared)[index])
                                                                          : wxString();
        },
        [set, shared](BoundPanel&, const wxString& text) {
          for (size_t i = 0; i < shared->size(); ++i)
            if (wxString::FromUTF8((*shared)[i]) == text) set(static_cast<int>(i));
        },
        "%s"));
    return choice;
  }
  static void FillChoice(wxChoice& choice, const std::vector<std::string>& texts) {
    choice.Clear();
    for (const std::string& text : texts) choice.Append(wxString::FromUTF8(text));
  }

protected:
  void BindControls() override { binder_(*this); }

private:
  Binder binder_;
};
