#include "drivers/osd/mkMesstechnikOSDPanels.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "drivers/osd/mkMesstechnik_OSD.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {
namespace {
using Driver = mkMesstechnik_OSD;
using Item = parameterOSDSettingsBase;

template <class C>
wxTemplatePropertyValidator<C, wxString> TextOf(C* object, std::string C::*member) {
  return wxTemplatePropertyValidator<C, wxString>(
      object, [member](const C& c) { return wxString::FromUTF8(c.*member); },
      [member](C& c, const wxString& text) { c.*member = text.utf8_string(); }, "%s");
}

template <class E>
wxComboBoxDecoratorValidator<E> ChoiceOf(Item* item, E Item::*member, E lower, E upper) {
  return wxComboBoxDecoratorValidator<E>(
      new wxTemplatePropertyValidator<Item, E>(item, [member](const Item& i) { return i.*member; },
                                               [member](Item& i, const E& value) { i.*member = value; }),
      lower, upper);
}
}  // namespace

void mkMesstechnikOSDCommunicationPanel::BindControls() {
  Bind<wxTextCtrl>("ID_DEVICE_NAME", TextOf(&driver_, &Driver::DeviceName));
  Bind<wxTextCtrl>("ID_CAMERA_ID", TextOf(&driver_, &Driver::CameraID));
  Bind<wxCheckBox>("ID_PAUSEDETECTION",
                   wxTemplatePropertyValidator<Driver, bool>(
                       &driver_, [](const Driver& d) { return d.PauseDetectionOutOfDwellTime; },
                       [](Driver& d, const bool& on) { d.PauseDetectionOutOfDwellTime = on; }));
  Bind<wxComboBox>("ID_RESUMEACTIONS",
                   wxComboBoxDecoratorValidator<emkMesstechnikOSD_ResumeActions>(
                       new wxTemplatePropertyValidator<Driver, emkMesstechnikOSD_ResumeActions>(
                           &driver_, [](const Driver& d) { return d.ResumeAction; },
                           [](Driver& d, const emkMesstechnikOSD_ResumeActions& a) { d.ResumeAction = a; }),
                       NONE, BOTH));
}

std::string mkMesstechnikOSDConfigurationPanel::ControlName(const char* kind, int number, const char* field) {
  return std::string("ID_OSD_") + kind + "_" + std::to_string(number) + "_" + field;
}

void mkMesstechnikOSDConfigurationPanel::BindItem(const char* kind, Item& item) {
  const int n = item.Number();
  for (auto [field, member] : {std::pair{"POSX", &Item::PosX}, std::pair{"POSY", &Item::PosY}}) {
    auto m = member;
    Bind<wxTextCtrl>(ControlName(kind, n, field).c_str(),
                     wxRangeDecoratorValidator<int>(new wxTemplatePropertyValidator<Item, int>(
                                                        &item, [m](const Item& i) { return i.*m; },
                                                        [m](Item& i, const int& v) { i.*m = v; }, "%d"),
                                                    0, 9999));
  }
  Bind<wxComboBox>(ControlName(kind, n, "COLORFOREGROUND").c_str(),
                   ChoiceOf(&item, &Item::ColorForeGround, enmNoChange, enmWhite));
  Bind<wxComboBox>(ControlName(kind, n, "COLORBACKGROUND").c_str(),
                   ChoiceOf(&item, &Item::ColorBackGround, enmNoChange, enmWhite));
  Bind<wxComboBox>(ControlName(kind, n, "FONTSIZE").c_str(), ChoiceOf(&item, &Item::FontSize, enmSmall, enmLarge));
}

void mkMesstechnikOSDConfigurationPanel::BindControls() {
  for (int i = 0; i < Driver::kTextItems; ++i) {
    parameterOSDSettingsText& text = driver_.Text(i);
    BindItem("TEXT", text);
    Bind<wxTextCtrl>(ControlName("TEXT", text.Number(), "TEXTSTRING").c_str(),
                     TextOf(&text, &parameterOSDSettingsText::TextString));
  }
  for (parameterOSDSettingsDateTime* item :
       {static_cast<parameterOSDSettingsDateTime*>(&driver_.Date()), static_cast<parameterOSDSettingsDateTime*>(&driver_.Time())}) {
    const char* kind = item == &driver_.Date() ? "DATE" : "TIME";
    BindItem(kind, *item);
    Bind<wxCheckBox>(ControlName(kind, 1, "SETTING").c_str(),
                     wxTemplatePropertyValidator<parameterOSDSettingsDateTime, bool>(
                         item, [](const parameterOSDSettingsDateTime& d) { return d.ShowSetting; },
                         [](parameterOSDSettingsDateTime& d, const bool& on) { d.ShowSetting = on; }));
  }
}

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD
