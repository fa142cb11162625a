#pragma once
// Shows the generic tabbed dialog with a driver's panels, owned by the host window.
#include <wx/string.h>

#include <cstdint>

#include "framework/Status.h"

class PanelList;

Status ShowTabbedDialog(uint32_t hWnd, const wxString& caption, const PanelList& panels);
