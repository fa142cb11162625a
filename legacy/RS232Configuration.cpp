#include "legacy/RS232Configuration.h"

#include "logging/JournexEntry.h"
#include "settings/ProgramSettingsDatabase.h"

RS232Configuration::RS232Configuration(int comPort, BaudRate baudRate, Parity parity, DataBits dataBits,
                                       StopBits stopBits, int implementation)
    : comPort_(comPort),
      parity_(parity),
      dataBits_(dataBits),
      baudRate_(baudRate),
      stopBits_(stopBits),
      implementation_(implementation) {}

const std::vector<int>& RS232Configuration::AllowedBaudRates() {
  static const std::vector<int> rates{Br50,   Br300,   Br600,   Br1200,  Br2400,  Br4800,
                                      Br9600, Br19200, Br38400, Br57600, Br115200};
  return rates;
}

uint32_t RS232Configuration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    comPort_ = static_cast<int>(store->Read("COMPort", static_cast<long>(comPort_)));
    parity_ = static_cast<Parity>(store->Read("Parity", static_cast<long>(parity_)));
    dataBits_ = static_cast<DataBits>(store->Read("DataBits", static_cast<long>(dataBits_)));
    baudRate_ = static_cast<BaudRate>(store->Read("BaudRate", static_cast<long>(baudRate_)));
    stopBits_ = static_cast<StopBits>(store->Read("StopBits", static_cast<long>(stopBits_)));
    implementation_ = static_cast<int>(store->Read("Implementation", static_cast<long>(implementation_)));
    store->PopTable();
  }
  if (comPort_ < 1) comPort_ = 1;
  LogValues("LoadProgramSettings");
  return 0;
}

uint32_t RS232Configuration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->Write("COMPort", static_cast<long>(comPort_));
    store->Write("Parity", static_cast<long>(parity_));
    store->Write("DataBits", static_cast<long>(dataBits_));
    store->Write("BaudRate", static_cast<long>(baudRate_));
    store->Write("StopBits", static_cast<long>(stopBits_));
    store->Write("Implementation", static_cast<long>(implementation_));
    store->PopTable();
  }
  LogValues("SaveProgramSettings");
  return 0;
}

void RS232Configuration::LogValues(std::string_view operation) const {
  JournexEntry::Note(operation, "RS232Configuration", "Note", "RS232Implementation",
                     {{"COMPort", comPort_},
                      {"Baudrate", static_cast<int>(baudRate_)},
                      {"DataBits", static_cast<int>(dataBits_)},
                      {"Parity", static_cast<int>(parity_)},
                      {"StopBits", static_cast<int>(stopBits_)},
                      {"Implementation", implementation_}},
                     "RS232Implementation");
}
