// The regular-expression tester: what a pattern extracts from a sample answer
// is shown while either is typed.
#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include "drivers/configurable/RegExpTestDialog.h"
#include "support/DialogControls.h"
#include "support/Gui.h"

TEST(RegExpTestDialog, ShowsTheExtractedResultWhileThePatternAndTheInputAreTyped) {
  REQUIRE_GUI();
  RegExpTestDialog dialog;
  ASSERT_TRUE(dialog.Load(nullptr, "VAL=([0-9.]+)"));
  EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_txtRegExp")->GetValue(), "VAL=([0-9.]+)");
  EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_txtResult")->GetValue(),
            "The regular expression result can not be found. Please fill in the correct expression for the returned "
            "value.");
  Control<wxTextCtrl>(dialog, "ID_txtInput")->SetValue("READING VAL=3.5 V");
  EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_txtResult")->GetValue(), "3.5");
  Control<wxTextCtrl>(dialog, "ID_txtRegExp")->SetValue("([A-Z]+)");
  EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_txtResult")->GetValue(), "READING");
  Control<wxTextCtrl>(dialog, "ID_txtRegExp")->SetValue("([");
  EXPECT_EQ(Control<wxTextCtrl>(dialog, "ID_txtResult")->GetValue(),
            "The regular expression used is invalid. Please fill in the correct expression.");
  dialog.Destroy();
}
