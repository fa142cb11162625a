#include "legacy/GPIBConfigurationPanel.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "legacy/NI488GPIBConfiguration.h"

namespace {
using Config = NI488GPIBConfiguration;

template <class T>
wxTemplatePropertyValidator<Config, T>* Property(Config* configuration, T (Config::*getter)() const,
                                                 void (Config::*setter)(T), const char* format) {
  return new wxTemplatePropertyValidator<Config, T>(
      configuration, [getter](const Config& c) { return (c.*getter)(); },
      [setter](Config& c, const T& value) { (c.*setter)(value); }, format);
}
}  // namespace

void GPIBConfigurationPanel::BindControls() {
  Bind<wxComboBox>("ID_BOARD", wxComboBoxDecoratorValidator<GPIBBoardNumbers>(
                                   Property(configuration_, &Config::GetBoard, &Config::SetBoard, ""),
                                   MIN_GPIB_BOARD, MAX_GPIB_BOARD));
  Bind<wxTextCtrl>("ID_PRIMARYADDRESS",
                   wxRangeDecoratorValidator<int>(
                       Property(configuration_, &Config::GetPrimaryAddress, &Config::SetPrimaryAddress, "%d"), 0, 30));
  Bind<wxTextCtrl>("ID_SECONDARYADDRESS",
                   wxRangeDecoratorValidator<int>(
                       Property(configuration_, &Config::GetSecondaryAddress, &Config::SetSecondaryAddress, "%d"), 0, 126));
  Bind<wxTextCtrl>("ID_WAIT", wxRangeDecoratorValidator<unsigned long>(
                                  Property(configuration_, &Config::GetWait, &Config::SetWait, "%lu"), 0, 600000));
  Bind<wxCheckBox>("ID_CLEAR", *std::unique_ptr<wxValidator>(
                                   Property(configuration_, &Config::GetClear, &Config::SetClear, "")));
  Bind<wxCheckBox>("ID_READDRESS", *std::unique_ptr<wxValidator>(
                                       Property(configuration_, &Config::GetReaddress, &Config::SetReaddress, "")));
}
