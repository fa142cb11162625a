// Transfer and validation rules of the validators, on real controls.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include <memory>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/VectorPropertyValidator.h"
#include "support/Gui.h"
#include "support/MessageBoxRecorder.h"

namespace {
SWM_ENUM(Gappy, GappyFirst = 1, GappySecond = 2, GappyFifth = 5, MIN_GAPPY = GappyFirst, MAX_GAPPY = GappyFifth)

struct Fields {
  int number = 0;
  unsigned int count = 0;
  unsigned char small = 0;
  double real = 0;
  wxString text;
  bool flag = false;
  Gappy choice = GappySecond;
  std::vector<wxString> commands;
  std::vector<int> numbers;
  unsigned long baud = 9600;
};

template <class T>
TypedValidator<T>* Property(Fields* fields, T Fields::*member, const char* format) {
  return new wxTemplatePropertyValidator<Fields, T>(
      fields, [member](const Fields& f) { return f.*member; },
      [member](Fields& f, const T& value) { f.*member = value; }, format);
}

class Validators : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_GUI();
    frame = new wxFrame(nullptr, wxID_ANY, "validators");
    text = new wxTextCtrl(frame, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE);
    check = new wxCheckBox(frame, wxID_ANY, "flag");
    combo = new wxComboBox(frame, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, 0, nullptr, wxCB_READONLY);
  }
  void TearDown() override {
    if (frame) frame->Destroy();
  }
  // Attaches (a copy of) the validator to the control and returns the attached one.
  wxValidator* Attach(wxWindow* control, wxValidator* validator) {
    control->SetValidator(*validator);
    delete validator;
    return control->GetValidator();
  }
  struct Case {
    const char* input;
    bool valid;
  };
  // Types each input into the text control and checks what the validator says of it.
  void ExpectVerdicts(wxValidator* v, std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      text->ChangeValue(c.input);
      EXPECT_EQ(v->Validate(frame), c.valid) << c.input;
    }
  }

  Fields fields;
  wxFrame* frame = nullptr;
  wxTextCtrl* text = nullptr;
  wxCheckBox* check = nullptr;
  wxComboBox* combo = nullptr;
};
}  // namespace

TEST_F(Validators, NumbersAcceptOnlyWholeTextsInRange) {
  const Case ints[] = {{"42", true}, {" -7 ", true}, {"4x", false}, {"", false}, {"2147483648", false},
                       {"-2147483648", true}, {"1.5", false}, {"0x10", false}};
  wxValidator* v = Attach(text, Property(&fields, &Fields::number, "%d"));
  for (const Case& c : ints) {
    text->ChangeValue(c.input);
    fields.number = 99;
    EXPECT_EQ(v->Validate(frame), c.valid) << c.input;
    EXPECT_EQ(v->TransferFromWindow(), c.valid) << c.input;
    if (!c.valid) {
      EXPECT_EQ(fields.number, 99) << "a failed transfer stores nothing: " << c.input;
    }
  }
  text->ChangeValue("-12");
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.number, -12);

  ExpectVerdicts(Attach(text, Property(&fields, &Fields::count, "%u")),
                 {{"4294967295", true}, {"4294967296", false}, {"-1", false}, {"0", true}});
  v = Attach(text, Property(&fields, &Fields::small, "%hhu"));
  ExpectVerdicts(v, {{"255", true}, {"256", false}, {"0", true}});
  fields.small = 200;
  v->TransferToWindow();
  EXPECT_EQ(text->GetValue(), "200");
}

TEST_F(Validators, RealsAreShownWithTheirFormat) {
  wxValidator* v = Attach(text, Property(&fields, &Fields::real, "%lG"));
  const std::pair<double, const char*> shown[] = {{0.5, "0.5"}, {1e-7, "1E-07"}, {123456789.0, "1.23457E+08"}, {-3, "-3"}};
  for (const auto& [value, expected] : shown) {
    fields.real = value;
    v->TransferToWindow();
    EXPECT_EQ(text->GetValue(), expected);
  }
  text->ChangeValue("2.5e3");
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.real, 2500.0);
  text->ChangeValue("abc");
  EXPECT_FALSE(v->Validate(frame));
  text->ChangeValue("nan");
  EXPECT_FALSE(v->Validate(frame));
}

TEST_F(Validators, TextsAndCheckBoxesAlwaysConvert) {
  wxValidator* v = Attach(text, Property(&fields, &Fields::text, "%s"));
  text->ChangeValue(wxString::FromUTF8("Schalter \xC3\xBC; 100%"));
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.text, wxString::FromUTF8("Schalter \xC3\xBC; 100%"));

  v = Attach(check, Property(&fields, &Fields::flag, ""));
  fields.flag = true;
  v->TransferToWindow();
  EXPECT_TRUE(check->GetValue());
  check->SetValue(false);
  ASSERT_TRUE(v->Validate(frame));
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_FALSE(fields.flag);
}

TEST_F(Validators, RangeAndTextLengthBoundsAreInclusive) {
  ExpectVerdicts(Attach(text, new wxRangeDecoratorValidator<int>(Property(&fields, &Fields::number, "%d"), 1, 10)),
                 {{"0", false}, {"1", true}, {"10", true}, {"11", false}, {"x", false}});
  ExpectVerdicts(
      Attach(text, new wxTextLengthDecoratorValidator<wxString>(Property(&fields, &Fields::text, "%s"), 2, 4)),
      {{"a", false}, {"ab", true}, {"abcd", true}, {"abcde", false}});
}

TEST_F(Validators, AllowedSetExplainsTheNearestValidValues) {
  const std::vector<unsigned long> bauds = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};
  struct Case {
    const char* input;
    const char* message;  // empty: valid
  };
  const Case cases[] = {
      {"9600", ""},
      {"9000", "The value ('9000') you specified is not valid.\nFirst valid lower value is 4800.\nFirst valid higher value is 9600."},
      {"50", "The value ('50') you specified is not valid.\nLowest valid value is 110."},
      {"230400", "The value ('230400') you specified is not valid.\nHighest valid value is 115200."},
  };
  wxValidator* v = Attach(text, new AllowedSetDecoratorValidator<unsigned long>(
                                    Property(&fields, &Fields::baud, "%u"), bauds));
  for (const Case& c : cases) {
    MessageBoxRecorder boxes;
    text->ChangeValue(c.input);
    EXPECT_EQ(v->Validate(frame), *c.message == '\0') << c.input;
    if (*c.message == '\0') {
      EXPECT_TRUE(boxes.boxes.empty());
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_EQ(boxes.boxes[0].title, "Value Validation");
      EXPECT_EQ(boxes.boxes[0].text, c.message);
    }
  }
}

TEST_F(Validators, DisabledControlsAreNeitherCheckedNorReadBack) {
  wxValidator* v = Attach(text, new EnabledValidator(Property(&fields, &Fields::number, "%d")));
  fields.number = 5;
  v->TransferToWindow();
  EXPECT_EQ(text->GetValue(), "5");
  text->ChangeValue("not a number");
  text->Disable();
  EXPECT_TRUE(v->Validate(frame));
  EXPECT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.number, 5);
  text->Enable();
  EXPECT_FALSE(v->Validate(frame));
  text->ChangeValue("6");
  EXPECT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.number, 6);
}

TEST_F(Validators, ComboBoxShowsOnlyNamedValuesAndSelectsTheCurrentOne) {
  wxValidator* v = Attach(combo, new wxComboBoxDecoratorValidator<Gappy>(
                                     Property(&fields, &Fields::choice, ""), GappyFirst, GappyFifth));
  fields.choice = GappyFifth;
  ASSERT_TRUE(v->TransferToWindow());
  ASSERT_EQ(combo->GetCount(), 3u);
  EXPECT_EQ(combo->GetString(0), "GappyFirst");
  EXPECT_EQ(combo->GetString(1), "GappySecond");
  EXPECT_EQ(combo->GetString(2), "GappyFifth");
  EXPECT_EQ(combo->GetSelection(), 2);
  combo->SetSelection(0);
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.choice, GappyFirst);
  combo->SetSelection(wxNOT_FOUND);
  EXPECT_FALSE(v->Validate(frame));
}

TEST_F(Validators, ListsSkipBlankLinesAndFailOnABadPiece) {
  wxValidator* v = Attach(text, new wxVectorPropertyValidator<Fields, wxString>(
                                    &fields, [](const Fields& f) { return f.commands; },
                                    [](Fields& f, const std::vector<wxString>& list) { f.commands = list; }));
  text->ChangeValue("SW1 ON\r\n\r\nSW2 OFF\n\n  \nOPC?");
  ASSERT_TRUE(v->TransferFromWindow());
  ASSERT_EQ(fields.commands.size(), 4u);
  EXPECT_EQ(fields.commands[0], "SW1 ON");
  EXPECT_EQ(fields.commands[1], "SW2 OFF");
  EXPECT_EQ(fields.commands[2], "  ");
  EXPECT_EQ(fields.commands[3], "OPC?");
  v->TransferToWindow();
  EXPECT_EQ(text->GetValue(), "SW1 ON\nSW2 OFF\n  \nOPC?");

  v = Attach(text, new wxVectorPropertyValidator<Fields, int>(
                       &fields, [](const Fields& f) { return f.numbers; },
                       [](Fields& f, const std::vector<int>& list) { f.numbers = list; }));
  text->ChangeValue("1\n2\n\n3");
  ASSERT_TRUE(v->TransferFromWindow());
  EXPECT_EQ(fields.numbers, (std::vector<int>{1, 2, 3}));
  text->ChangeValue("1\nzwei\n3");
  EXPECT_FALSE(v->TransferFromWindow());
  EXPECT_EQ(fields.numbers, (std::vector<int>{1, 2, 3}));
}
