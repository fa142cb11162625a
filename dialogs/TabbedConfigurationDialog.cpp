// The tabbed dialog is not built yet: every request is logged and answered
// as "not implemented" so that a host sees a status, never a hang.
#include "dialogs/TabbedConfigurationDialog.h"

#include "dialogs/PanelList.h"
#include "logging/JournexEntry.h"

Status ShowTabbedDialog(uint32_t, const wxString& caption, const PanelList& panels) {
  JournexEntry::Note("ShowTabbedDialog", "Dialogs", "Error", "Tabbed dialogs are not available",
                     {{"Caption", caption}, {"Panels", panels.Size()}});
  return DRV_ERR_NOT_IMPLEMENTED;
}
