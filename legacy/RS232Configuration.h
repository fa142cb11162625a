#pragma once
// The port settings of a legacy serial device: COM port, character format,
// speed and which implementation opens the port. Stored in the table "RS232".
#include <string_view>
#include <vector>

#include "settings/EnumClass.h"
#include "settings/SavableLoadableClass.h"

SWM_ENUM(Parity, None = 0, firstParity = 0, Odd, Even, Mark, Space, lastParity=Space)
SWM_ENUM(DataBits, MIN_DATABITS = 5, Data5 = 5, Data6, Data7, Data8, MAX_DATABITS = 8)
SWM_ENUM(BaudRate, UNKNOWN_BAUDRATE = 0, MIN_BAUDRATE = 50, Br50 = 50, Br300 = 300, Br600 = 600,
         Br1200 = 1200, Br2400 = 2400, Br4800 = 4800, Br9600 = 9600, Br19200 = 19200, Br38400 = 38400,
         Br57600 = 57600, Br115200 = 115200, Br230400 = 230400, Br460800 = 460800, Br921600 = 921600,
         MAX_BAUDRATE = 921600)
SWM_ENUM(StopBits, Stop1 = 0, MIN_STOPBITS = 0, Stop15 = 1, Stop2 = 2, MAX_STOPBITS = 2)

class RS232Configuration : public SavableLoadableClass {
public:
  static constexpr const char* kTable = "RS232";
  // "Implementation": the native serial functions; any other value means
  // VISA when a VISA library can be loaded.
  static constexpr int kNativeImplementation = 1;

  explicit RS232Configuration(int comPort = 1, BaudRate baudRate = Br9600, Parity parity = None,
                              DataBits dataBits = Data8, StopBits stopBits = Stop1,
                              int implementation = kNativeImplementation);

  // Reads COMPort, Parity, DataBits, BaudRate, StopBits and Implementation
  // (a COM port below 1 becomes 1) and logs the values in one record.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // The baud rates the dialog accepts, in ascending order (50 to 115200).
  static const std::vector<int>& AllowedBaudRates();

  int GetCOMPort() const { return comPort_; }
  void SetCOMPort(int port) { comPort_ = port; }
  Parity GetParity() const { return parity_; }
  void SetParity(Parity parity) { parity_ = parity; }
  DataBits GetDataBits() const { return dataBits_; }
  void SetDataBits(DataBits bits) { dataBits_ = bits; }
  BaudRate GetBaudRate() const { return baudRate_; }
  void SetBaudRate(BaudRate rate) { baudRate_ = rate; }
  StopBits GetStopBits() const { return stopBits_; }
  void SetStopBits(StopBits bits) { stopBits_ = bits; }
  int GetImplementation() const { return implementation_; }
  void SetImplementation(int implementation) { implementation_ = implementation; }

private:
  void LogValues(std::string_view operation) const;

  int comPort_;
  Parity parity_;
  DataBits dataBits_;
  BaudRate baudRate_;
  StopBits stopBits_;
  int implementation_;
};
