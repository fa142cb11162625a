#include "dialogs/ValidatorSupport.h"

#include "dialogs/XrcResources.h"

bool ValidatorBasedPanel::Load(wxWindow* parent, const wxString& xrcName) {
  EnsureXrcResources();
  if (!wxXmlResource::Get()->LoadPanel(this, parent, xrcName)) return false;
  BindControls();
  return true;
}

bool ValidatorBasedDialog::Load(wxWindow* parent, const wxString& xrcName) {
  EnsureXrcResources();
  if (!wxXmlResource::Get()->LoadDialog(this, parent, xrcName)) return false;
  BindControls();
  return true;
}
