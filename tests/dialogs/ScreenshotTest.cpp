// Every dialog and panel layout of the module, laid out the way a driver's
// dialog shows it, checked for what a person would notice (a control cut off
// at the edge of its page, a label too small for its text) and pictured for
// people to look at (screenshots/ in the build tree).
#include <gtest/gtest.h>
#include <wx/scrolwin.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/xml/xml.h>
#include <wx/xrc/xmlres.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/TabbedConfigurationDialog.h"
#include "dialogs/XrcResources.h"
#include "support/Gui.h"
#include "support/WindowPicture.h"

namespace {
struct Layout {
  std::string className;  // wxPanel or wxDialog
  std::string name;
};

// The named top-level objects of every .xrc file in the module's folders.
std::vector<Layout> ModuleLayouts() {
  std::vector<Layout> layouts;
  for (const char* folder : {"dialogs", "drivers", "legacy", "streams"}) {
    const std::filesystem::path root = std::filesystem::path(SWM_SOURCE_DIR) / folder;
    if (!std::filesystem::exists(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.path().extension() != ".xrc") continue;
      wxXmlDocument document;
      if (!document.Load(entry.path().string())) {
        ADD_FAILURE() << "cannot parse " << entry.path();
        continue;
      }
      for (wxXmlNode* node = document.GetRoot()->GetChildren(); node; node = node->GetNext()) {
        const wxString kind = node->GetAttribute("class");
        if (node->GetName() == "object" && (kind == "wxPanel" || kind == "wxDialog") && node->HasAttribute("name"))
          layouts.push_back({kind.utf8_string(), node->GetAttribute("name").utf8_string()});
      }
    }
  }
  return layouts;
}

bool ShowsText(wxWindow* window) {
  return dynamic_cast<wxStaticText*>(window) || dynamic_cast<wxCheckBox*>(window) ||
         dynamic_cast<wxRadioButton*>(window) || dynamic_cast<wxButton*>(window);
}

// Every shown control lies wholly inside the page, and every control with a
// text of its own is at least as large as that text needs.
void ExpectEveryControlWhole(wxWindow& page) {
  wxRect area = page.GetScreenRect();
  // A scrolled window's controls lie in its whole scrollable area, not only in the part in view.
  if (auto* scrolled = dynamic_cast<wxScrolledWindow*>(&page)) {
    int x = 0, y = 0;
    scrolled->CalcScrolledPosition(0, 0, &x, &y);
    area = wxRect(area.GetPosition() + wxPoint(x, y), scrolled->GetVirtualSize());
  }
  for (wxWindow* child : page.GetChildren()) {
    if (!child->IsShown() || child->IsTopLevel()) continue;
    const wxRect rect = child->GetScreenRect();
    const std::string what = child->GetName().utf8_string() + " \"" + child->GetLabel().utf8_string() + "\"";
    // A box's frame is a decoration whose reported place includes its label in
    // GTK; the controls inside it are checked against the page instead.
    const bool box = dynamic_cast<wxStaticBox*>(child) != nullptr;
    EXPECT_TRUE(box || area.Contains(rect)) << what << " at " << rect.x - area.x << "," << rect.y - area.y << " size "
                                     << rect.width << "x" << rect.height << " is cut off by its page of "
                                     << area.width << "x" << area.height;
    EXPECT_TRUE(rect.width > 0 && rect.height > 0) << what << " has no room";
    if (ShowsText(child)) {
      const wxSize needed = child->GetBestSize();
      EXPECT_TRUE(rect.width >= needed.x && rect.height >= needed.y)
          << what << " is truncated: " << rect.width << "x" << rect.height << " for a text of " << needed.x << "x"
          << needed.y;
    }
    ExpectEveryControlWhole(*child);
  }
}

// Shows the dialog modally, checks the page once its loop runs and takes its picture.
bool PictureWhileShown(wxDialog& dialog, const std::string& name, wxWindow& page) {
  bool saved = false;
  dialog.CentreOnScreen();
  SetDialogShownHook([&](wxDialog& shown) {
    saved = SaveScreenshot(shown, name);
    ExpectEveryControlWhole(page);
    shown.EndModal(wxID_CANCEL);
  });
  ShowModalForHost(dialog, 0);
  SetDialogShownHook({});
  return saved;
}
}  // namespace

TEST(Screenshots, EveryLayoutShowsEveryControlWholeAndIsPictured) {
  REQUIRE_GUI();
  EnsureXrcResources();
  const std::vector<Layout> layouts = ModuleLayouts();
  ASSERT_FALSE(layouts.empty());
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    if (layout.className == "wxDialog") {
      wxDialog dialog;
      ASSERT_TRUE(wxXmlResource::Get()->LoadDialog(&dialog, nullptr, layout.name));
      dialog.Fit();
      EXPECT_TRUE(PictureWhileShown(dialog, layout.name, dialog));
      continue;
    }
    // A panel is shown as a page of the generic tabbed dialog, as drivers show it.
    wxDialog dialog;
    ASSERT_TRUE(wxXmlResource::Get()->LoadDialog(&dialog, nullptr, "GenericTabbedDialog"));
    auto* notebook = wxDynamicCast(dialog.FindWindow("GenericTabs"), wxNotebook);
    ASSERT_NE(notebook, nullptr);
    wxPanel* panel = wxXmlResource::Get()->LoadPanel(notebook, layout.name);
    ASSERT_NE(panel, nullptr);
    notebook->AddPage(panel, wxString::FromUTF8(layout.name));
    dialog.SetTitle(wxString::FromUTF8(layout.name));
    dialog.GetSizer()->SetSizeHints(&dialog);
    dialog.Fit();
    EXPECT_TRUE(PictureWhileShown(dialog, layout.name, *panel));
  }
}
