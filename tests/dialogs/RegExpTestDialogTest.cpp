// The regular-expression tester: what a pattern extracts from a sample answer
// is shown while either is typed.
#include <gtest/gtest.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "drivers/configurable/RegExpTestDialog.h"
#include "support/Gui.h"

namespace {
wxTextCtrl* Text(wxWindow& dialog, const char* id) {
  return wxDynamicCast(dialog.FindWindow(wxXmlResource::GetXRCID(id)), wxTextCtrl);
}
}  // namespace

TEST(RegExpTestDialog, ShowsTheExtractedResultWhileThePatternAndTheInputAreTyped) {
  REQUIRE_GUI();
  RegExpTestDialog dialog;
  ASSERT_TRUE(dialog.Load(nullptr, "VAL=([0-9.]+)"));
  EXPECT_EQ(Text(dialog, "ID_txtRegExp")->GetValue(), "VAL=([0-9.]+)");
  EXPECT_EQ(Text(dialog, "ID_txtResult")->GetValue(),
            "The regular expression result can not be found. Please fill in the correct expression for the returned "
            "value.");
  Text(dialog, "ID_txtInput")->SetValue("READING VAL=3.5 V");
  EXPECT_EQ(Text(dialog, "ID_txtResult")->GetValue(), "3.5");
  Text(dialog, "ID_txtRegExp")->SetValue("([A-Z]+)");
  EXPECT_EQ(Text(dialog, "ID_txtResult")->GetValue(), "READING");
  Text(dialog, "ID_txtRegExp")->SetValue("([");
  EXPECT_EQ(Text(dialog, "ID_txtResult")->GetValue(),
            "The regular expression used is invalid. Please fill in the correct expression.");
  dialog.Destroy();
}
