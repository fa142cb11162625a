#include "dialogs/TabbedConfigurationDialog.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/xrc/xmlres.h>

#include "dialogs/PanelList.h"
#include "dialogs/ValidatorSupport.h"
#include "dialogs/XrcResources.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"
#include "platform/TransientParent.h"

namespace {
DialogShownHook& Hook() {
  static DialogShownHook hook;
  return hook;
}

// The tabbed dialog: on OK, a page whose control fails validation is shown
// with that control focused, and the dialog stays open.
class GenericTabbedDialog : public wxDialog {
public:
  bool Validate() override {
    auto* notebook = wxDynamicCast(FindWindow("GenericTabs"), wxNotebook);
    if (!notebook) return wxDialog::Validate();
    for (size_t page = 0; page < notebook->GetPageCount(); ++page) {
      if (wxWindow* failing = FirstFailing(notebook->GetPage(page))) {
        notebook->SetSelection(page);
        failing->SetFocus();
        return false;
      }
    }
    return true;
  }

private:
  static wxWindow* FirstFailing(wxWindow* window) {
    for (wxWindow* child : window->GetChildren()) {
      if (wxValidator* validator = child->GetValidator())
        if (!validator->Validate(window)) return child;
      if (wxWindow* failing = FirstFailing(child)) return failing;
    }
    return nullptr;
  }
};
}  // namespace

void SetDialogShownHook(DialogShownHook hook) { Hook() = std::move(hook); }

int ShowModalForHost(wxDialog& dialog, uint32_t hWnd) {
  dialog.Bind(wxEVT_SHOW, [&dialog](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown() && Hook()) dialog.CallAfter([&dialog] { Hook()(dialog); });
  });
  if (hWnd) MakeTransientFor(dialog.GetHandle(), hWnd);
  return dialog.ShowModal();
}

Status ShowTabbedDialog(uint32_t hWnd, const wxString& caption, const PanelList& panels) {
  if (!PlatformDialogsAvailable()) {
    JournexEntry::Note("ShowTabbedDialog", "DeviceDriver", "Error",
                       "ShowTabbedDialog(\"No display: the configuration dialog cannot be shown\")",
                       {{"Caption", caption}, {"Panels", panels.Size()}});
    return DRV_ERR_DIALOG_UNAVAILABLE;
  }
  EnsureXrcResources();
  GenericTabbedDialog dialog;
  if (!wxXmlResource::Get()->LoadDialog(&dialog, nullptr, "GenericTabbedDialog")) return DRV_ERR_DIALOG_UNAVAILABLE;
  auto* notebook = wxDynamicCast(dialog.FindWindow("GenericTabs"), wxNotebook);
  if (!notebook) return DRV_ERR_DIALOG_UNAVAILABLE;
  dialog.SetTitle(caption);
  for (const PanelListEntry& entry : panels.Entries()) {
    ValidatorBasedPanel* panel = entry.factory();
    if (!panel->Load(notebook, wxString::FromUTF8(entry.xrcName))) {
      JournexEntry::Note("ShowTabbedDialog", "DeviceDriver", "Error",
                         "missing dialog resource " + entry.xrcName);
      delete panel;
      continue;
    }
    notebook->AddPage(panel, wxString::FromUTF8(entry.title));
  }
  dialog.GetSizer()->SetSizeHints(&dialog);
  dialog.Fit();
  dialog.CentreOnScreen();
  const int answer = ShowModalForHost(dialog, hWnd);
  JournexEntry::Note("ShowTabbedDialog", "DeviceDriver", "Note",
                     answer == wxID_OK ? "ShowTabbedDialog(OK)" : "ShowTabbedDialog(Cancel)");
  return 0;
}
