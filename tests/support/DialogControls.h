#pragma once
// Reaching the controls of a dialog in a GUI test: a control by its XRC name,
// and a button press delivered as the button itself would deliver it.
#include <wx/button.h>
#include <wx/window.h>
#include <wx/xrc/xmlres.h>

// The control named `id` in the window, or nullptr when there is none of class C.
template <class C>
C* Control(wxWindow& window, const char* id) {
  return dynamic_cast<C*>(window.FindWindow(wxXmlResource::GetXRCID(id)));
}

inline void Press(wxWindow& window, int id) {
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(window.FindWindow(id));
  window.GetEventHandler()->ProcessEvent(click);
}
