#pragma once
// The pattern tester "dlglRexExpTest": while the user types a pattern
// ("ID_txtRegExp") and a sample answer ("ID_txtInput"), "ID_txtResult" shows
// what the pattern extracts, or why it extracts nothing.
#include <wx/dialog.h>

#include <string>

class RegExpTestDialog : public wxDialog {
public:
  static constexpr const char* kXrcName = "dlglRexExpTest";

  // Loads the layout; false when the resource is missing.
  bool Load(wxWindow* parent, const wxString& pattern);
  // The text the result control shows for a pattern and an input.
  static wxString ResultText(const std::string& pattern, const std::string& input);
  void UpdateResult();
};
