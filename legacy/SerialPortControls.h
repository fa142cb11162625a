#pragma once
// The serial line controls shared by the older layer's serial page and the
// serial device stream's page: port ("COMn" entries), parity, data bits,
// stop bits and a baud rate that is typed or picked and must be one of the
// standard rates. Config is either settings object: both have the same
// getters and setters for these values.
#include <wx/combobox.h>

#include <vector>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "dialogs/wxGenericClientData.h"
#include "legacy/RS232Configuration.h"

namespace serial_controls {
// A validator of Config's value T through a member getter and setter, shown with "%d".
template <class Config, class T>
wxTemplatePropertyValidator<Config, T>* Property(Config* configuration, T (Config::*getter)() const,
                                                 void (Config::*setter)(T)) {
  return new wxTemplatePropertyValidator<Config, T>(
      configuration, [getter](const Config& c) { return (c.*getter)(); },
      [setter](Config& c, const T& value) { (c.*setter)(value); }, "%d");
}

template <class Config>
void BindLine(ValidatorBasedPanel& panel, Config* configuration, int largestPort, const std::vector<int>& rates) {
  if (auto* ports = panel.FindControl<wxComboBox>("ID_COMPORT")) {
    ports->Clear();
    for (int port = 1; port <= largestPort; ++port)
      ports->Append(wxString::Format("COM%d", port), new wxGenericClientData<int>(port));
  }
  panel.Bind<wxComboBox>("ID_COMPORT", *std::unique_ptr<wxValidator>(
                                           Property(configuration, &Config::GetCOMPort, &Config::SetCOMPort)));
  panel.Bind<wxComboBox>("ID_PARITY", wxComboBoxDecoratorValidator<Parity>(
                                          Property(configuration, &Config::GetParity, &Config::SetParity),
                                          firstParity, lastParity));
  panel.Bind<wxComboBox>("ID_DATABITS", wxComboBoxDecoratorValidator<DataBits>(
                                            Property(configuration, &Config::GetDataBits, &Config::SetDataBits),
                                            MIN_DATABITS, MAX_DATABITS));
  panel.Bind<wxComboBox>("ID_STOPBITS", wxComboBoxDecoratorValidator<StopBits>(
                                            Property(configuration, &Config::GetStopBits, &Config::SetStopBits),
                                            MIN_STOPBITS, MAX_STOPBITS));
  if (auto* combo = panel.FindControl<wxComboBox>("ID_BAUDRATE")) {
    combo->Clear();
    for (int rate : rates) combo->Append(wxString::Format("%d", rate));
  }
  auto* rate = new wxTemplatePropertyValidator<Config, int>(
      configuration, [](const Config& c) { return static_cast<int>(c.GetBaudRate()); },
      [](Config& c, const int& value) { c.SetBaudRate(static_cast<BaudRate>(value)); }, "%d");
  panel.Bind<wxComboBox>("ID_BAUDRATE", AllowedSetDecoratorValidator<int>(rate, rates));
}
}  // namespace serial_controls
