// A driver without caption texts titles its dialog with its type key, so
// that window lists and screen readers name it; a caption replaces it.
#include <gtest/gtest.h>
#include <wx/dialog.h>

#include <memory>

#include "DialogSteps.h"
#include "interface/DeviceTypeRegistry.h"
#include "support/Gui.h"
#include "support/TestFiles.h"

TEST(DialogTitle, NamesTheDriverWhenItHasNoCaption) {
  REQUIRE_GUI();
  TestDirectory dir;
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver("kovalexwtxswitch");
  ASSERT_TRUE(driver);
  wxString title;
  const auto readTitle = [&](wxDialog& dialog) { title = dialog.GetTitle(); };
  WithDialog(*driver, wxID_CANCEL, readTitle);
  EXPECT_EQ(title, "KOVALEXWTXSWITCH");

  const std::string ini = dir.File("caption.ini");
  WriteFile(ini, "[Common]\nDescription=Switch in hall 2\n");
  ASSERT_EQ(driver->LoadConfiguration(0, ini.c_str()), 0u);
  WithDialog(*driver, wxID_CANCEL, readTitle);
  EXPECT_EQ(title, "Switch in hall 2");
}
