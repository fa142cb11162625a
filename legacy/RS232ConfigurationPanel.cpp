#include "legacy/RS232ConfigurationPanel.h"

#include <wx/combobox.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"
#include "legacy/RS232Configuration.h"

namespace {
using Config = RS232Configuration;

template <class T>
wxTemplatePropertyValidator<Config, T>* Property(Config* configuration, T (Config::*getter)() const,
                                                 void (Config::*setter)(T)) {
  return new wxTemplatePropertyValidator<Config, T>(
      configuration, [getter](const Config& c) { return (c.*getter)(); },
      [setter](Config& c, const T& value) { (c.*setter)(value); }, "%d");
}

// Entries "COMn" with the number as client data.
void FillPorts(wxComboBox* combo, int largest) {
  if (!combo) return;
  combo->Clear();
  for (int port = 1; port <= largest; ++port)
    combo->Append(wxString::Format("COM%d", port), new wxGenericClientData<int>(port));
}

// The standard rates as plain texts: the rate is read from the text, typed or picked.
void FillRates(wxComboBox* combo) {
  if (!combo) return;
  combo->Clear();
  for (int rate : RS232Configuration::AllowedBaudRates()) combo->Append(wxString::Format("%d", rate));
}
}  // namespace

void RS232ConfigurationPanel::BindControls() {
  FillPorts(FindControl<wxComboBox>("ID_COMPORT"), kLargestListedPort);
  Bind<wxComboBox>("ID_COMPORT", *std::unique_ptr<wxValidator>(Property(configuration_, &Config::GetCOMPort, &Config::SetCOMPort)));

  Bind<wxComboBox>("ID_PARITY", wxComboBoxDecoratorValidator<Parity>(
                                    Property(configuration_, &Config::GetParity, &Config::SetParity), firstParity, lastParity));
  Bind<wxComboBox>("ID_DATABITS", wxComboBoxDecoratorValidator<DataBits>(
                                      Property(configuration_, &Config::GetDataBits, &Config::SetDataBits),
                                      MIN_DATABITS, MAX_DATABITS));
  Bind<wxComboBox>("ID_STOPBITS", wxComboBoxDecoratorValidator<StopBits>(
                                      Property(configuration_, &Config::GetStopBits, &Config::SetStopBits),
                                      MIN_STOPBITS, MAX_STOPBITS));

  // The baud rate is typed or picked from the standard rates; a typed rate
  // must be one of them.
  FillRates(FindControl<wxComboBox>("ID_BAUDRATE"));
  auto* rate = new wxTemplatePropertyValidator<Config, int>(
      configuration_, [](const Config& c) { return static_cast<int>(c.GetBaudRate()); },
      [](Config& c, const int& value) { c.SetBaudRate(static_cast<BaudRate>(value)); }, "%d");
  Bind<wxComboBox>("ID_BAUDRATE", AllowedSetDecoratorValidator<int>(rate, RS232Configuration::AllowedBaudRates()));
}
