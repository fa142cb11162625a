#pragma once
// Steps shared by the tests that show a driver's configuration dialog in a
// real window.
#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/ctrlsub.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/xrc/xmlres.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/DeviceDriverBase.h"
#include "support/DialogControls.h"
#include "support/WindowPicture.h"

// Shows the driver's dialog and runs the steps while it is open. Then the
// button (0: none) ends it and must close it; one still open is cancelled.
inline void WithDialog(DeviceDriverBase& driver, int button, const std::function<void(wxDialog&)>& steps) {
  bool ran = false;
  SetDialogShownHook([&](wxDialog& dialog) {
    ran = true;
    steps(dialog);
    if (button != 0) {
      Press(dialog, button);
      EXPECT_FALSE(dialog.IsModal()) << "button " << button << " did not close the dialog";
    }
    if (dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(driver.ShowConfigurationDialog(0), 0u);
  SetDialogShownHook({});
  EXPECT_TRUE(ran);
}

// The steps end the dialog themselves.
inline void WithDialog(DeviceDriverBase& driver, const std::function<void(wxDialog&)>& steps) {
  WithDialog(driver, 0, steps);
}

// The titles of the dialog's pages, none when it has no notebook.
inline std::vector<std::string> PageTitles(wxDialog& dialog) {
  std::vector<std::string> titles;
  if (auto* notebook = dynamic_cast<wxNotebook*>(dialog.FindWindow("GenericTabs")))
    for (size_t i = 0; i < notebook->GetPageCount(); ++i) titles.push_back(notebook->GetPageText(i).utf8_string());
  return titles;
}

// The entries of a choice or a list, none when there is no control.
inline std::vector<std::string> Entries(const wxItemContainerImmutable* items) {
  std::vector<std::string> entries;
  if (items)
    for (unsigned i = 0; i < items->GetCount(); ++i) entries.push_back(items->GetString(i).utf8_string());
  return entries;
}

// Whether the control named `id` exists and is shown.
inline bool Shown(wxDialog& dialog, const std::string& id) {
  wxWindow* window = dialog.FindWindow(wxXmlResource::GetXRCID(id));
  return window && window->IsShown();
}

// Picks the entry of the choice and tells the dialog, as a click would.
inline void Choose(wxDialog& dialog, const char* id, const char* text) {
  auto* choice = Control<wxChoice>(dialog, id);
  ASSERT_NE(choice, nullptr) << id;
  ASSERT_TRUE(choice->SetStringSelection(text)) << id << " has no " << text;
  wxCommandEvent picked(wxEVT_CHOICE, choice->GetId());
  picked.SetEventObject(choice);
  picked.SetInt(choice->GetSelection());
  choice->GetEventHandler()->ProcessEvent(picked);
}

// Clicks the button named `id`; delivered to the button, so that the panel
// that owns it hears the click.
inline void Click(wxWindow& window, const char* id) {
  wxWindow* button = window.FindWindow(wxXmlResource::GetXRCID(id));
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// Brings the page with the title to the front and keeps a picture of the
// dialog (screenshots/ in the build tree) for people to look at.
inline void Picture(wxDialog& dialog, const std::string& page, const std::string& name) {
  if (auto* notebook = dynamic_cast<wxNotebook*>(dialog.FindWindow("GenericTabs")))
    for (size_t i = 0; i < notebook->GetPageCount(); ++i)
      if (notebook->GetPageText(i) == page) notebook->SetSelection(i);
  EXPECT_TRUE(SaveScreenshot(dialog, name)) << name;
}
