// A driver without caption texts titles its dialog with its type key, so
// that window lists and screen readers name it; a caption replaces it.
#include <gtest/gtest.h>
#include <wx/dialog.h>

#include <memory>

#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "support/DialogControls.h"
#include "support/Gui.h"
#include "support/TestFiles.h"

TEST(DialogTitle, NamesTheDriverWhenItHasNoCaption) {
  REQUIRE_GUI();
  TestDirectory dir;
  wxString title;
  SetDialogShownHook([&](wxDialog& dialog) {
    title = dialog.GetTitle();
    Press(dialog, wxID_CANCEL);
  });
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver("kovalexwtxswitch");
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(title, "KOVALEXWTXSWITCH");

  const std::string ini = dir.File("caption.ini");
  WriteFile(ini, "[Common]\nDescription=Switch in hall 2\n");
  ASSERT_EQ(driver->LoadConfiguration(0, ini.c_str()), 0u);
  EXPECT_EQ(driver->ShowConfigurationDialog(0), 0u);
  EXPECT_EQ(title, "Switch in hall 2");
  SetDialogShownHook({});
}
