#include "legacy/RS232ConfigurationPanel.h"

#include "legacy/RS232Configuration.h"
#include "legacy/SerialPortControls.h"

void RS232ConfigurationPanel::BindControls() {
  serial_controls::BindLine(*this, configuration_, kLargestListedPort, RS232Configuration::AllowedBaudRates());
}
