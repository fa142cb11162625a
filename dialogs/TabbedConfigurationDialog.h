#pragma once
// Shows the generic tabbed dialog with a driver's panels, owned by the host window.
#include <wx/string.h>

#include <cstdint>
#include <functional>

#include "framework/Status.h"

class PanelList;
class wxDialog;

// Returns 0 whatever the user chose (the panels store the values themselves),
// or DRV_ERR_DIALOG_UNAVAILABLE without a display.
Status ShowTabbedDialog(uint32_t hWnd, const wxString& caption, const PanelList& panels);

// Called with every dialog once its modal loop runs (tests drive dialogs with it).
using DialogShownHook = std::function<void(wxDialog& dialog)>;
void SetDialogShownHook(DialogShownHook hook);
// Runs the modal loop of a dialog owned by the host window, with the hook.
int ShowModalForHost(wxDialog& dialog, uint32_t hWnd);
