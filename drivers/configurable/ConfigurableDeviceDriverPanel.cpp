#include "drivers/configurable/ConfigurableDeviceDriverPanel.h"

#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "drivers/configurable/ConfigurableDeviceDriver.h"
#include "settings/NarrowText.h"

namespace {
using Driver = ConfigurableDeviceDriver;
using Settings = ConfigurableDeviceSettings;

wxTemplatePropertyValidator<Driver, wxString> TextOf(Driver* driver, std::string Settings::*field) {
  return {driver, [field](const Driver& d) { return WideFromNarrow(d.Settings().*field); },
          [field](Driver& d, const wxString& value) {
            d.Settings().*field = NarrowFromWide(value);
            d.HandIdentificationToChecker();
          },
          "%s"};
}

wxTemplatePropertyValidator<Driver, bool> FlagOf(Driver* driver, bool Settings::*field) {
  return {driver, [field](const Driver& d) { return d.Settings().*field; },
          [field](Driver& d, const bool& value) { d.Settings().*field = value; }, "%d"};
}
}  // namespace

void ConfigurableDeviceDriverPanel::BindControls() {
  Bind<wxCheckBox>("ID_USE_SETTINGS", FlagOf(driver_, &Settings::sendCommands));
  Bind<wxTextCtrl>("ID_RESET", TextOf(driver_, &Settings::reset));
  Bind<wxTextCtrl>("ID_GETID", TextOf(driver_, &Settings::getID));
  Bind<wxTextCtrl>("ID_RETURNEDID", TextOf(driver_, &Settings::returnedID));
  Bind<wxTextCtrl>("ID_INIT", TextOf(driver_, &Settings::init));
  Bind<wxTextCtrl>("ID_DEINIT", TextOf(driver_, &Settings::deInit));
  Bind<wxCheckBox>("ID_WAITFORCOMPLETION", FlagOf(driver_, &Settings::sendAndWaitForCompletion));
  // A time-out of 0 would make every read fail at once.
  wxRangeDecoratorValidator<double> timeout(
      new wxTemplatePropertyValidator<Driver, double>(
          driver_, [](const Driver& d) { return d.Settings().timeOutTimeSeconds; },
          [](Driver& d, const double& value) { d.Settings().timeOutTimeSeconds = value; }, "%g"),
      0.001, 3600.0);
  Bind<wxTextCtrl>("ID_TIMEOUT", timeout);
}
