// The VISA settings panel in a real window: a stored identifier opens in its
// form (alias, GPIB address, LAN address, serial port or free text) with the
// warnings its entry needs, and the chosen form builds the identifier back.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "streams/StreamTestSupport.h"
#include "streams/visa/VISADeviceStreamConfiguration.h"
#include "streams/visa/VISADeviceStreamConfigurationDialog.h"
#include "support/DialogControls.h"

namespace {
struct Shown {
  const char* identifier;
  const char* radio;
  const char* entry;
  const char* value;       // the entry's text (the chosen item of a list)
  const char* warning;     // the warning shown, or ""
};

const Shown kShown[] = {
    {"GPIB0::7::INSTR", "ID_RADGPIB", "ID_OPTGPIB", "7", ""},
    {"TCPIP0::10.0.0.7::INSTR", "ID_RADLAN", "ID_TXTLAN", "10.0.0.7", ""},
    {"TCPIP0::192.168.0.100::INSTR", "ID_RADLAN", "ID_TXTLAN", "192.168.0.100", "ID_LWARNING"},
    {"ASRL3::INSTR", "ID_RADRS232", "ID_CBORS232", "COM3", ""},
    {"MyScope", "ID_RADALIAS", "ID_TXTALIAS", "MyScope", ""},
    {"TCPIP0::meter.lab::5025::SOCKET", "ID_RADVISA", "ID_TXTVISA", "TCPIP0::meter.lab::5025::SOCKET", ""},
    {"", "ID_RADVISA", "ID_TXTVISA", "", "ID_TWARNING"},
};

wxString EntryText(wxWindow& panel, const char* id) {
  if (auto* choice = Control<wxChoice>(panel, id)) return choice->GetStringSelection();
  if (auto* combo = Control<wxComboBox>(panel, id)) return combo->GetValue();
  return Control<wxTextCtrl>(panel, id)->GetValue();
}

void Choose(wxRadioButton& radio) {
  radio.SetValue(true);
  wxCommandEvent chosen(wxEVT_RADIOBUTTON, radio.GetId());
  chosen.SetEventObject(&radio);
  radio.GetEventHandler()->ProcessEvent(chosen);
}

class VisaPanel : public testing::Test {
protected:
  void SetUp() override {
    REQUIRE_GUI();
    frame_ = new wxFrame(nullptr, wxID_ANY, "VISA");
    panel_ = new VISADeviceStreamConfigurationDialog(&configuration_);
    ASSERT_TRUE(panel_->Load(frame_, "VisaConfiguration"));
  }
  void TearDown() override {
    if (frame_) frame_->Destroy();
  }

  VISADeviceStreamConfiguration configuration_;
  wxFrame* frame_ = nullptr;
  VISADeviceStreamConfigurationDialog* panel_ = nullptr;
};
}  // namespace

TEST_F(VisaPanel, OpensEachIdentifierInItsFormAndBuildsItBack) {
  for (const Shown& s : kShown) {
    SCOPED_TRACE(s.identifier);
    configuration_.SetIdentifier(s.identifier);
    configuration_.SetTryHiSLIP(s.radio == std::string("ID_RADLAN"));
    ASSERT_TRUE(panel_->TransferDataToWindow());
    EXPECT_TRUE(Control<wxRadioButton>(*panel_, s.radio)->GetValue());
    EXPECT_EQ(EntryText(*panel_, s.entry), s.value);
    EXPECT_TRUE(Control<wxWindow>(*panel_, s.entry)->IsEnabled());
    for (const char* warning : {"ID_TWARNING", "ID_IWARNING", "ID_LWARNING"})
      EXPECT_EQ(Control<wxWindow>(*panel_, warning)->IsShown(), warning == std::string(s.warning)) << warning;
    EXPECT_EQ(Control<wxCheckBox>(*panel_, "ID_TRYHISLIP")->GetValue(), configuration_.GetTryHiSLIP());
    configuration_.SetIdentifier("changed");
    ASSERT_TRUE(panel_->TransferDataFromWindow());
    EXPECT_EQ(configuration_.GetIdentifier(), s.identifier);
  }
}

TEST_F(VisaPanel, TheChosenFormBuildsTheIdentifier) {
  configuration_.SetIdentifier("MyScope");
  ASSERT_TRUE(panel_->TransferDataToWindow());
  Choose(*Control<wxRadioButton>(*panel_, "ID_RADGPIB"));
  EXPECT_FALSE(Control<wxWindow>(*panel_, "ID_TXTALIAS")->IsEnabled());
  Control<wxChoice>(*panel_, "ID_OPTGPIB")->SetStringSelection("12");
  ASSERT_TRUE(panel_->TransferDataFromWindow());
  EXPECT_EQ(configuration_.GetIdentifier(), "GPIB0::12::INSTR");

  Choose(*Control<wxRadioButton>(*panel_, "ID_RADLAN"));
  EXPECT_TRUE(Control<wxWindow>(*panel_, "ID_LWARNING")->IsShown()) << "still the example address";
  Control<wxTextCtrl>(*panel_, "ID_TXTLAN")->SetValue("meter.lab");
  EXPECT_TRUE(Control<wxWindow>(*panel_, "ID_IWARNING")->IsShown()) << "not an IPv4 address";
  Control<wxTextCtrl>(*panel_, "ID_TXTLAN")->SetValue("127.0.0.1");
  EXPECT_FALSE(Control<wxWindow>(*panel_, "ID_IWARNING")->IsShown());
  ASSERT_TRUE(panel_->TransferDataFromWindow());
  EXPECT_EQ(configuration_.GetIdentifier(), "TCPIP0::127.0.0.1::INSTR");

  Choose(*Control<wxRadioButton>(*panel_, "ID_RADRS232"));
  Control<wxComboBox>(*panel_, "ID_CBORS232")->SetValue("COM12");
  ASSERT_TRUE(panel_->TransferDataFromWindow());
  EXPECT_EQ(configuration_.GetIdentifier(), "ASRL12::INSTR");
}
