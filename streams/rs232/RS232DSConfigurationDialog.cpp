#include "streams/rs232/RS232DSConfigurationDialog.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>

#include <memory>

#include "legacy/SerialPortControls.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

void RS232DSConfigurationDialog::BindControls() {
  using Config = RS232DeviceStreamConfiguration;
  using serial_controls::Property;
  serial_controls::BindLine(*this, configuration_, kLargestListedPort, Config::BaudRates());
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
}
