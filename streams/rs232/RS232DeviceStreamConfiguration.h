#pragma once
// The settings of a serial instrument (stream type "RS-232"), saved in the
// table "RS232": port, character format, speed, the termination characters
// added to commands, whether a line end ends an answer, and whether the port
// is shared with other programs (opened only for each exchange). Two line
// controls are handed to the port object but not saved.
#include <string>

#include "legacy/RS232Configuration.h"
#include "settings/EnumClass.h"
#include "streams/DeviceStreamConfiguration.h"

SWM_ENUM(CommunicationTerminationOption, NoTermination = 0, MIN_COMMUNICATION_TERMINATION_OPTION=0,
         CarrierReturn = 1, LineFeed = 2, CarrierReturnPlusLineFeed = 3, MAX_COMMUNICATION_TERMINATION_OPTION = 3)

class RS232DeviceStreamConfiguration : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "RS-232";
  static constexpr const char* kTable = "RS232";
  static constexpr const char* kPanelName = "RS232StreamConfiguration";

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "Serial"; }
  // "RS232:COM" and the port number, e.g. RS232:COM3; "RS232:" and the
  // device path when one is set.
  std::string GetIDString() const override;

  // Orders configurations by port, then by the other settings (equal ports sort together).
  bool operator<(const RS232DeviceStreamConfiguration& other) const;
  // The port number lies in 1 to 65534.
  bool IsValid() const { return comPort_ >= 1 && comPort_ <= 65534; }

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
  CommunicationTerminationOption GetSendTermination() const { return sendTermination_; }
  void SetSendTermination(CommunicationTerminationOption option) { sendTermination_ = option; }
  CommunicationTerminationOption GetReceiveTermination() const { return receiveTermination_; }
  void SetReceiveTermination(CommunicationTerminationOption option) { receiveTermination_ = option; }
  bool GetNewLineReturnIsEndOfString() const { return newLineReturnIsEndOfString_; }
  void SetNewLineReturnIsEndOfString(bool endOfString) { newLineReturnIsEndOfString_ = endOfString; }
  bool GetCOMPortSharing() const { return comPortSharing_; }
  void SetCOMPortSharing(bool sharing) { comPortSharing_ = sharing; }
  // A device opened by its path instead of the COM port (set by the USB
  // stream for the adapter it found; not saved).
  const std::string& GetDevicePath() const { return devicePath_; }
  void SetDevicePath(const std::string& path) { devicePath_ = path; }
  bool GetFirstLineControl() const { return firstLineControl_; }
  void SetFirstLineControl(bool on) { firstLineControl_ = on; }
  bool GetSecondLineControl() const { return secondLineControl_; }
  void SetSecondLineControl(bool on) { secondLineControl_ = on; }
  // The older serial table's "Implementation", kept so that saving writes
  // back what loading found there (this stream always uses the port itself).
  int GetLegacyImplementation() const { return legacyImplementation_; }
  void SetLegacyImplementation(int implementation) { legacyImplementation_ = implementation; }

  // The status and text of the last failed opening of the port with these
  // settings (naming the port and its device), kept here so that the text
  // is there after the stream was released; empty once an opening worked.
  void SetOpenFailure(Status status, const std::string& text) {
    openFailure_ = status;
    openFailureText_ = text;
  }
  Status GetErrorString(uint32_t, Status code, std::string& text) override {
    if (code == openFailure_ && code != 0 && !openFailureText_.empty()) text = openFailureText_;
    return 0;
  }

  // The baud rates the panel offers and accepts (the named BaudRate values).
  static const std::vector<int>& BaudRates();

private:
  Status openFailure_ = 0;
  std::string openFailureText_;
  int comPort_ = 1;
  Parity parity_ = None;
  DataBits dataBits_ = Data8;
  BaudRate baudRate_ = Br19200;
  StopBits stopBits_ = Stop1;
  CommunicationTerminationOption sendTermination_ = NoTermination;
  CommunicationTerminationOption receiveTermination_ = NoTermination;
  bool newLineReturnIsEndOfString_ = true;
  bool comPortSharing_ = false;
  bool firstLineControl_ = true;
  bool secondLineControl_ = false;
  std::string devicePath_;
  int legacyImplementation_ = RS232Configuration::kNativeImplementation;
};
