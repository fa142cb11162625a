#include "drivers/configurable/RegExpTestDialog.h"

#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "dialogs/XrcResources.h"
#include "drivers/configurable/RegularExpressionResult.h"
#include "framework/ConfigurableBase.h"
#include "settings/NarrowText.h"

namespace {
wxTextCtrl* Text(wxWindow* dialog, const char* id) {
  return wxDynamicCast(dialog->FindWindow(wxXmlResource::GetXRCID(id)), wxTextCtrl);
}
}  // namespace

bool RegExpTestDialog::Load(wxWindow* parent, const wxString& pattern) {
  EnsureXrcResources();
  if (!wxXmlResource::Get()->LoadDialog(this, parent, kXrcName)) return false;
  wxTextCtrl* expression = Text(this, "ID_txtRegExp");
  wxTextCtrl* input = Text(this, "ID_txtInput");
  if (!expression || !input || !Text(this, "ID_txtResult")) return false;
  expression->ChangeValue(pattern);
  expression->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateResult(); });
  input->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateResult(); });
  UpdateResult();
  return true;
}

wxString RegExpTestDialog::ResultText(const std::string& pattern, const std::string& input) {
  std::string result;
  const Status status = ExtractRegularExpressionResult(pattern, input, result);
  if (status == 0) return WideFromNarrow(result);
  char text[256] = {0};
  uint32_t count = 0;
  ConfigurableBase().GetErrorString(0, status, text, sizeof text, &count);
  return WideFromNarrow(std::string(text, count));
}

void RegExpTestDialog::UpdateResult() {
  Text(this, "ID_txtResult")
      ->ChangeValue(ResultText(NarrowFromWide(Text(this, "ID_txtRegExp")->GetValue()),
                               NarrowFromWide(Text(this, "ID_txtInput")->GetValue())));
}
