#include "streams/rs232/RS232DeviceStreamConfiguration.h"

#include <tuple>

#include "logging/JournexEntry.h"
#include "streams/rs232/RS232DSConfigurationDialog.h"

std::string RS232DeviceStreamConfiguration::GetIDString() const {
  return devicePath_.empty() ? "RS232:COM" + std::to_string(comPort_) : "RS232:" + devicePath_;
}

bool RS232DeviceStreamConfiguration::operator<(const RS232DeviceStreamConfiguration& other) const {
  const auto key = [](const RS232DeviceStreamConfiguration& c) {
    return std::make_tuple(c.comPort_, static_cast<int>(c.baudRate_), static_cast<int>(c.parity_),
                           static_cast<int>(c.dataBits_), static_cast<int>(c.stopBits_),
                           static_cast<int>(c.sendTermination_), static_cast<int>(c.receiveTermination_),
                           c.newLineReturnIsEndOfString_, c.comPortSharing_);
  };
  return key(*this) < key(other);
}

const std::vector<int>& RS232DeviceStreamConfiguration::BaudRates() {
  static const std::vector<int> rates{Br50,    Br300,    Br600,    Br1200,   Br2400,   Br4800,
                                      Br9600,  Br19200,  Br38400,  Br57600,  Br115200, Br230400,
                                      Br460800, Br921600};
  return rates;
}

uint32_t RS232DeviceStreamConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    // The port number read is kept in its low 8 bits (a stored 257 is port 1).
    comPort_ = static_cast<int>(store->Read("COMPort", static_cast<long>(comPort_)) & 0xFF);
    parity_ = static_cast<Parity>(store->Read("Parity", static_cast<long>(parity_)));
    dataBits_ = static_cast<DataBits>(store->Read("DataBits", static_cast<long>(dataBits_)));
    baudRate_ = static_cast<BaudRate>(store->Read("BaudRate", static_cast<long>(baudRate_)));
    stopBits_ = static_cast<StopBits>(store->Read("StopBits", static_cast<long>(stopBits_)));
    sendTermination_ = static_cast<CommunicationTerminationOption>(
        store->Read("SendTermination", static_cast<long>(sendTermination_)));
    receiveTermination_ = static_cast<CommunicationTerminationOption>(
        store->Read("ReceiveTermination", static_cast<long>(receiveTermination_)));
    newLineReturnIsEndOfString_ = store->Read("NewLineReturnIsEndOfString", newLineReturnIsEndOfString_);
    comPortSharing_ = store->Read("COMPortSharing", comPortSharing_);
    store->PopTable();
  }
  if (comPort_ < 1) comPort_ = 1;
  JournexEntry::Note("LoadProgramSettings", "RS232DeviceStreamConfiguration", "Note", "LoadProgramSettings(RS232)",
                     {{"COMPort", comPort_},
                      {"BaudRate", static_cast<int>(baudRate_)},
                      {"SendTermination", static_cast<int>(sendTermination_)},
                      {"COMPortSharing", comPortSharing_}});
  return 0;
}

uint32_t RS232DeviceStreamConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  store->PushTable(kTable);
  store->Write("COMPort", static_cast<long>(comPort_));
  store->Write("Parity", static_cast<long>(parity_));
  store->Write("DataBits", static_cast<long>(dataBits_));
  store->Write("BaudRate", static_cast<long>(baudRate_));
  store->Write("StopBits", static_cast<long>(stopBits_));
  store->Write("SendTermination", static_cast<long>(sendTermination_));
  store->Write("ReceiveTermination", static_cast<long>(receiveTermination_));
  store->Write("COMPortSharing", comPortSharing_);
  store->Write("NewLineReturnIsEndOfString", newLineReturnIsEndOfString_);
  store->PopTable();
  return 0;
}

ValidatorBasedPanel* RS232DeviceStreamConfiguration::CreateConfigurationPanel() {
  return new RS232DSConfigurationDialog(this);
}
