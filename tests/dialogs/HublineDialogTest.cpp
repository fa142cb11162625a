// The Hubline dialogs in a real window: a card's pages with the centre type,
// the slot and the during/after choices set by code, OK and Cancel, the
// members and the saved INI file; the pages each card class shows; the
// multi-switch board's list with adding and removing cards.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>

#include <functional>

#include "DialogSteps.h"
#include "drivers/hubline/HublineExternalSwitch.h"
#include "drivers/hubline/HublineMultiSwitch.h"
#include "drivers/hubline/HublineMultiSwitchPanel.h"
#include "drivers/hubline/HublinePanel.h"
#include "drivers/hubline/HublineSoftwareUpdatePanel.h"
#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "drivers/hubline/HublineSwitchesPanel.h"
#include "support/Gui.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestFiles.h"

TEST(HublineDialog, ARelayCardIsConfiguredInItsPages) {
  REQUIRE_GUI();
  HublineSwitch card("TQS4PA", 4, true);
  card.SetCentreType(1);  // the older multislot code shows as multislot
  card.SetDeviceID("3");
  card.internal[1][0] = RelaisNormallyOpen;
  card.external[0][2] = ExternIdle;

  WithDialog(card, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog),
              (std::vector<std::string>{"Communication", "Identification", "Hubline", "Switches", "Software update"}));
    // What the card holds is shown.
    EXPECT_TRUE(Control<wxRadioButton>(dialog, "ID_RADIO_HUBLINE_MULTISLOT")->GetValue());
    EXPECT_FALSE(Control<wxRadioButton>(dialog, "ID_RADIO_DIRECTLY")->GetValue());
    auto* slot = Control<wxComboBox>(dialog, "ID_HUBLINE_DEVICE_ID");
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->GetValue(), "3");
    EXPECT_EQ(slot->GetCount(), 8u);
    EXPECT_TRUE(slot->IsEnabled());
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_AFTER_RELAIS_INT_1")->GetStringSelection(), "Normally open");
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS_3")->GetStringSelection(), "Idle");
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS_INT_2")->GetStringSelection(), "Do not change");
    EXPECT_EQ(Control<wxChoice>(dialog, "ID_DURING_RELAIS_INT_2")->GetCount(), 3u);
    Picture(dialog, "Switches", "HublineSwitch-Switches");
    Picture(dialog, "Hubline", "HublineSwitch-Hubline");

    // The slot only matters in a multislot unit.
    auto* direct = Control<wxRadioButton>(dialog, "ID_RADIO_DIRECTLY");
    direct->SetValue(true);
    wxCommandEvent pick(wxEVT_RADIOBUTTON, direct->GetId());
    pick.SetEventObject(direct);
    direct->GetEventHandler()->ProcessEvent(pick);
    EXPECT_FALSE(slot->IsEnabled());
    auto* multislot = Control<wxRadioButton>(dialog, "ID_RADIO_HUBLINE_MULTISLOT");
    multislot->SetValue(true);
    pick.SetId(multislot->GetId());
    pick.SetEventObject(multislot);
    multislot->GetEventHandler()->ProcessEvent(pick);
    EXPECT_TRUE(slot->IsEnabled());

    slot->SetValue("12");  // stored as the highest slot
    Choose(dialog, "ID_DURING_RELAIS_INT_2", "Normally closed");
    Choose(dialog, "ID_AFTER_RELAIS_INT_1", "Do not change");
    Choose(dialog, "ID_DURING_RELAIS_1", "Active");
    Choose(dialog, "ID_AFTER_RELAIS_4", "Idle");

    // Programming firmware is not offered by this module, and the page says so.
    Click(dialog, "ID_SOFTWAREUPGRADE");
    auto* status = Control<wxStaticText>(dialog, "ID_STATUS");
    ASSERT_NE(status, nullptr);
    wxString shown = status->GetLabel();  // wrapped to the page's width
    shown.Replace("\n", " ");
    EXPECT_EQ(shown.utf8_string(), HublineSoftwareUpdatePanel::kNotSupported);
    Picture(dialog, "Software update", "HublineSwitch-SoftwareUpdate");
  });
  EXPECT_EQ(card.CentreType(), 1);  // the shown button was kept: the older code stays
  EXPECT_EQ(card.DeviceID(), "8");
  EXPECT_EQ(card.internal[0][1], RelaisNormallyClosed);
  EXPECT_EQ(card.internal[1][0], RelaisDoNotChange);
  EXPECT_EQ(card.external[0][0], ExternActive);
  EXPECT_EQ(card.external[0][2], ExternIdle);
  EXPECT_EQ(card.external[1][3], ExternIdle);

  // Cancel keeps every value; another centre type is stored as chosen.
  WithDialog(card, wxID_CANCEL, [&](wxDialog& dialog) {
    Choose(dialog, "ID_DURING_RELAIS_INT_2", "Normally open");
    Control<wxRadioButton>(dialog, "ID_RADIO_HUBLINE_ULTRA")->SetValue(true);
  });
  EXPECT_EQ(card.internal[0][1], RelaisNormallyClosed);
  EXPECT_EQ(card.CentreType(), 1);
  WithDialog(card, wxID_OK, [&](wxDialog& dialog) {
    Control<wxRadioButton>(dialog, "ID_RADIO_HUBLINE_ULTRA")->SetValue(true);
  });
  EXPECT_EQ(card.CentreType(), 4);

  // A card stored without the software update page does not show it.
  TestDirectory dir;
  const std::string hidden = dir.File("hidden.ini");
  WriteFile(hidden, "[Common]\nShowSoftwareUpdatePanel=0\n");
  ASSERT_EQ(card.LoadConfiguration(0, hidden.c_str()), 0u);
  WithDialog(card, wxID_CANCEL, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Communication", "Identification", "Hubline", "Switches"}));
    EXPECT_EQ(Control<wxButton>(dialog, "ID_SOFTWAREUPGRADE"), nullptr);
  });
}

TEST(HublineDialog, EachCardClassShowsItsRelaysAndBoxes) {
  REQUIRE_GUI();
  struct Case {
    const char* name;
    std::function<std::unique_ptr<HublineSwitchBase>()> make;
    int internal;     // internal choices shown
    size_t boxPages;  // pages of each box notebook, 0 when hidden
    bool outputs;     // the four output choices
    const char* firstInternalText;
  } cases[] = {
      {"HublineSwitch2", [] { return std::make_unique<HublineSwitch>("TQS2PA", 2, true); }, 2, 0, true,
       "Do not change"},
      {"HublineExternalSwitch", [] { return std::make_unique<HublineExternalSwitch>("TQS4P", 4, true); }, 4, 4,
       false, "Do not change"},
      {"HublineSwitch6Point", [] { return std::make_unique<HublineSwitch6Point>("TQS6PA", 2, true); }, 2, 4, false,
       "Output 1"},
      {"HublineSwitch6PointWithoutBoxes",
       [] { return std::make_unique<HublineSwitch6Point>("(TQS6015A|EMSwitch 7001-015)", 1, false); }, 1, 0, false,
       "Output 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<HublineSwitchBase> card = c.make();
    WithDialog(*card, wxID_OK, [&](wxDialog& dialog) {
      for (int n = 1; n <= 4; ++n) {
        const std::string during = "ID_DURING_RELAIS_INT_" + std::to_string(n);
        const bool expected = n <= c.internal;
        EXPECT_EQ(Shown(dialog, during), expected) << during;
        EXPECT_EQ(Shown(dialog, "ID_TXT_AFTER_RELAIS_INT_" + std::to_string(n)), expected) << n;
      }
      EXPECT_EQ(Control<wxChoice>(dialog, "ID_AFTER_RELAIS_INT_1")->GetStringSelection(), c.firstInternalText);
      auto* during = Control<wxNotebook>(dialog, "ID_NOTEBOOK_BOX_DURING");
      auto* after = Control<wxNotebook>(dialog, "ID_NOTEBOOK_BOX_AFTER");
      if (c.outputs) {
        EXPECT_EQ(during, nullptr);
        EXPECT_TRUE(Shown(dialog, "ID_AFTER_RELAIS_4"));
      } else {
        ASSERT_TRUE(during && after);
        EXPECT_EQ(during->GetPageCount(), c.boxPages);
        EXPECT_EQ(after->GetPageCount(), c.boxPages);
        EXPECT_EQ(during->IsShown(), c.boxPages > 0);
      }
      if (c.boxPages > 0) {
        // Box 3, switch 2 during the test, and box 4, switch 4 after it.
        Choose(dialog, "ID_DURING_RELAIS_10", c.internal == 4 ? "Position 5" : "Output 5");
        Choose(dialog, "ID_AFTER_RELAIS_16", c.internal == 4 ? "Position 1" : "Output 1");
      }
      Picture(dialog, "Switches", std::string(c.name) + "-Switches");
    });
    if (auto* external = dynamic_cast<HublineExternalSwitch*>(card.get())) {
      EXPECT_EQ(external->boxes.positions[2][0][1], 5);
      EXPECT_EQ(external->boxes.positions[3][1][3], 1);
    }
    if (auto* six = dynamic_cast<HublineSwitch6Point*>(card.get()); six && c.boxPages > 0) {
      EXPECT_EQ(six->boxes.positions[2][0][1], 5);
      EXPECT_EQ(six->boxes.positions[3][1][3], 1);
    }
  }
}

TEST(HublineDialog, TheBoardListsItsCardsAndAddsAndRemovesThem) {
  REQUIRE_GUI();
  HublineMultiSwitch board;
  board.AddCard(HublineMultiSwitch::CreateCard("TQS2PA"));
  board.AddCard(HublineMultiSwitch::CreateCard("TQS4PA"));
  board.Cards()[1]->SetDeviceID("6");
  HublineSwitchBase* kept = board.Cards()[1].get();

  auto entries = [](wxDialog& dialog) { return Entries(Control<wxListBox>(dialog, HublineMultiSwitchPanel::kListId)); };

  // Added and removed cards count only after OK.
  WithDialog(board, wxID_CANCEL, [&](wxDialog& dialog) {
    EXPECT_EQ(PageTitles(dialog), (std::vector<std::string>{"Switches"}));
    Click(dialog, "ID_ADD_TQS6PA");
    EXPECT_EQ(entries(dialog).size(), 3u);
  });
  EXPECT_EQ(board.Cards().size(), 2u);

  MessageBoxRecorder boxes(kIdNo);
  WithDialog(board, wxID_OK, [&](wxDialog& dialog) {
    EXPECT_EQ(entries(dialog), (std::vector<std::string>{"1: TQS2PA in slot 1", "2: TQS4PA in slot 6"}));
    Click(dialog, "ID_ADD_TQS6PA");
    Click(dialog, "ID_ADD_TQS2PA");
    EXPECT_EQ(entries(dialog), (std::vector<std::string>{"1: TQS2PA in slot 1", "2: TQS4PA in slot 6",
                                                         "3: TQS6PA in slot 1", "4: TQS2PA in slot 1"}));
    auto* list = Control<wxListBox>(dialog, HublineMultiSwitchPanel::kListId);
    list->SetSelection(0);
    Click(dialog, "ID_REMOVE");  // answered "No": kept
    EXPECT_EQ(entries(dialog).size(), 4u);
    boxes.Answer(kIdYes);
    Click(dialog, "ID_REMOVE");
    list->SetSelection(2);
    Click(dialog, "ID_REMOVE");
    EXPECT_EQ(entries(dialog), (std::vector<std::string>{"1: TQS4PA in slot 6", "2: TQS6PA in slot 1"}));
    Picture(dialog, "Switches", "HublineMultiSwitch-Switches");
  });
  ASSERT_EQ(boxes.boxes.size(), 3u);
  for (const ShownBox& box : boxes.boxes) {
    EXPECT_EQ(box.text, "Are you sure to remove the selected switch board from the configuration?");
    EXPECT_EQ(box.title, "Hubline Multi Switch");
    EXPECT_EQ(box.type & 0x0F, static_cast<uint32_t>(kMbYesNo));
  }
  ASSERT_EQ(board.Cards().size(), 2u);
  EXPECT_EQ(board.Cards()[0].get(), kept);
  EXPECT_EQ(board.Cards()[1]->ModelName(), "TQS6PA");

  TestDirectory dir;
  const std::string path = dir.File("board.ini");
  ASSERT_EQ(board.SaveConfiguration(0, path.c_str()), 0u);
  const std::string text = ReadFile(path);
  for (const char* part : {"[MultiSwitch]\nCount=2\n", "[MultiSwitch.Relais0]\nDeviceType=TQS4PA\n",
                           "[MultiSwitch.Relais1]\nDeviceType=TQS6PA\n", "DeviceID=6\n"})
    EXPECT_NE(text.find(part), std::string::npos) << part << " missing in\n" << text;
}

TEST(HublineDialog, ACardOfTheBoardIsConfiguredInItsOwnDialogAndCancelOnTheBoardUndoesIt) {
  REQUIRE_GUI();
  struct Case {
    int boardButton;
    std::string slot;           // of the second card afterwards
    RelaisSettings relayD;      // its during setting of relay D afterwards
  } cases[] = {{wxID_OK, "4", RelaisNormallyOpen}, {wxID_CANCEL, "3", RelaisNormallyClosed}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boardButton);
    HublineMultiSwitch board;
    board.AddCard(HublineMultiSwitch::CreateCard("TQS2PA"));
    board.AddCard(HublineMultiSwitch::CreateCard("TQS4PA"));
    auto* card = dynamic_cast<HublineSwitch*>(board.Cards()[1].get());
    ASSERT_NE(card, nullptr);
    card->SetDeviceID("3");
    card->internal[0][3] = RelaisNormallyClosed;
    std::vector<std::string> shown;  // the page titles of every dialog, in the order shown
    std::string entryAfter;
    SetDialogShownHook([&](wxDialog& dialog) {
      const std::vector<std::string> titles = PageTitles(dialog);
      shown.push_back(titles.empty() ? "" : titles.back());
      if (titles == std::vector<std::string>{"Switches"}) {
        // The board: open the second card's dialog from the list.
        Control<wxListBox>(dialog, HublineMultiSwitchPanel::kListId)->SetSelection(1);
        Click(dialog, "ID_CONFIGURE");
        entryAfter = Control<wxListBox>(dialog, HublineMultiSwitchPanel::kListId)->GetString(1).utf8_string();
        Press(dialog, c.boardButton);
      } else {
        // The card: another slot and a during setting, stored into the card by its OK.
        Control<wxComboBox>(dialog, "ID_HUBLINE_DEVICE_ID")->SetValue("4");
        Choose(dialog, "ID_DURING_RELAIS_INT_4", "Normally open");
        Press(dialog, wxID_OK);
      }
    });
    EXPECT_EQ(board.ShowConfigurationDialog(0), 0u);
    SetDialogShownHook({});
    EXPECT_EQ(shown, (std::vector<std::string>{"Switches", "Software update"}));
    EXPECT_EQ(entryAfter, "2: TQS4PA in slot 4");
    ASSERT_EQ(board.Cards().size(), 2u);
    EXPECT_EQ(board.Cards()[1].get(), card);
    EXPECT_EQ(card->DeviceID(), c.slot);
    EXPECT_EQ(card->internal[0][3], c.relayD);
    EXPECT_EQ(board.Cards()[0]->DeviceID(), "1");
  }
}

TEST(HublineDialog, OffersEverySlotEntry) {
  auto texts = [](int subDevices) {
    std::vector<std::string> entries;
    for (const wxString& entry : HublinePanel::DeviceIdEntries(subDevices)) entries.push_back(entry.utf8_string());
    return entries;
  };
  EXPECT_EQ(texts(1), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
  const std::vector<std::string> two = texts(2);
  ASSERT_EQ(two.size(), 16u);
  EXPECT_EQ(two[0], "1A");
  EXPECT_EQ(two[1], "1B");
  EXPECT_EQ(two[15], "8B");
}
