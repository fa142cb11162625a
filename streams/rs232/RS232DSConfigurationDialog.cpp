#include "streams/rs232/RS232DSConfigurationDialog.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>

#include <memory>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "dialogs/wxGenericClientData.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

namespace {
using Config = RS232DeviceStreamConfiguration;

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

// The standard rates as texts: a rate is typed or picked, and must be one of them.
void FillRates(wxComboBox* combo) {
  if (!combo) return;
  combo->Clear();
  for (int rate : Config::BaudRates()) combo->Append(wxString::Format("%d", rate));
}
}  // namespace

void RS232DSConfigurationDialog::BindControls() {
  FillPorts(FindControl<wxComboBox>("ID_COMPORT"), kLargestListedPort);
  Bind<wxComboBox>("ID_COMPORT",
                   *std::unique_ptr<wxValidator>(Property(configuration_, &Config::GetCOMPort, &Config::SetCOMPort)));
  Bind<wxComboBox>("ID_PARITY", wxComboBoxDecoratorValidator<Parity>(
                                    Property(configuration_, &Config::GetParity, &Config::SetParity), firstParity,
                                    lastParity));
  Bind<wxComboBox>("ID_DATABITS", wxComboBoxDecoratorValidator<DataBits>(
                                      Property(configuration_, &Config::GetDataBits, &Config::SetDataBits),
                                      MIN_DATABITS, MAX_DATABITS));
  Bind<wxComboBox>("ID_STOPBITS", wxComboBoxDecoratorValidator<StopBits>(
                                      Property(configuration_, &Config::GetStopBits, &Config::SetStopBits),
                                      MIN_STOPBITS, MAX_STOPBITS));
  Bind<wxComboBox>("ID_SENDTERMINATION",
                   wxComboBoxDecoratorValidator<CommunicationTerminationOption>(
                       Property(configuration_, &Config::GetSendTermination, &Config::SetSendTermination),
                       MIN_COMMUNICATION_TERMINATION_OPTION, MAX_COMMUNICATION_TERMINATION_OPTION));
  Bind<wxComboBox>("ID_RECEIVETERMINATION",
                   wxComboBoxDecoratorValidator<CommunicationTerminationOption>(
                       Property(configuration_, &Config::GetReceiveTermination, &Config::SetReceiveTermination),
                       MIN_COMMUNICATION_TERMINATION_OPTION, MAX_COMMUNICATION_TERMINATION_OPTION));
  Bind<wxCheckBox>("ID_NEWLINERETURNISENDOFSTRING",
                   *std::unique_ptr<wxValidator>(Property(configuration_, &Config::GetNewLineReturnIsEndOfString,
                                                          &Config::SetNewLineReturnIsEndOfString)));
  FillRates(FindControl<wxComboBox>("ID_BAUDRATE"));
  auto* rate = new wxTemplatePropertyValidator<Config, int>(
      configuration_, [](const Config& c) { return static_cast<int>(c.GetBaudRate()); },
      [](Config& c, const int& value) { c.SetBaudRate(static_cast<BaudRate>(value)); }, "%d");
  Bind<wxComboBox>("ID_BAUDRATE", AllowedSetDecoratorValidator<int>(rate, Config::BaudRates()));
}
