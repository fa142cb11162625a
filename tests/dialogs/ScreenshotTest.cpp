// A picture of every dialog and panel layout of the module, for people to
// look at (kept under build/screenshots/): each top-level panel or dialog of
// the module's XRC files, laid out the way a driver's dialog shows it.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
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

// Shows the dialog modally and takes its picture once its loop runs.
bool PictureWhileShown(wxDialog& dialog, const std::string& name) {
  bool saved = false;
  dialog.CentreOnScreen();
  SetDialogShownHook([&](wxDialog& shown) {
    saved = SaveScreenshot(shown, name);
    shown.EndModal(wxID_CANCEL);
  });
  ShowModalForHost(dialog, 0);
  SetDialogShownHook({});
  return saved;
}
}  // namespace

TEST(Screenshots, EveryLayoutLoadsAndIsPictured) {
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
      EXPECT_TRUE(PictureWhileShown(dialog, layout.name));
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
    EXPECT_TRUE(PictureWhileShown(dialog, layout.name));
  }
}
