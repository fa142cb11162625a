#pragma once
// A driver's stream client: the client stack (exchange, scoped lock,
// forwarding to an embedded stream) with identification checking, the
// configuration manager of the transports the driver offers, and the
// connection life cycle. The driver presets its transports in the hooks
// DefaultStreamConfiguration / PredefineStreamConfiguration and sends its
// set-up commands in AfterStreamConnectConfiguration.
#include <memory>
#include <string>

#include "dialogs/PanelList.h"
#include "settings/SavableLoadableClass.h"
#include "streams/CustomisableIdentificationChecker.h"
#include "streams/DeviceStreamBaseDecorator.h"
#include "streams/DeviceStreamClient.h"
#include "streams/DeviceStreamLockerMixin.h"
#include "streams/EmbeddedDeviceStreamMixIn.h"
#include "streams/WriteReadMixin.h"

using DeviceStreamClientStack =
    WriteReadMixin<DeviceStreamLockerMixin<EmbeddedDeviceStreamMixIn<DeviceStreamClient, DeviceStreamBaseDecorator>>>;

class DeviceStreamClientWithStreamBase : public CustomisableIdentificationChecker<DeviceStreamClientStack>,
                                         public SavableLoadableClass {
public:
  static constexpr const char* kScpiTable = "SCPI";
  static constexpr size_t kSystemErrorCount = 500;
  static constexpr size_t kStatusCount = 10;
  static constexpr size_t kIdentificationCount = 100;
  // The stream time-out in seconds, table "Stream Config": kept only when
  // a file sets it; without it the driver's own default holds.
  static constexpr const char* kTimeoutKey = "TimeoutSeconds";

  DeviceStreamClientWithStreamBase();
  ~DeviceStreamClientWithStreamBase() override;

  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  // Table "SCPI" (CheckSystemError), then the identification, then the manager.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  // Adds the "Communication" and "Identification" pages to a driver's dialog.
  virtual Status CreateStreamConfigurationPanels(uint32_t hostContext, PanelList& panels);
  virtual Status LoadLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store);
  virtual Status SaveLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store);

  // Connects the stream of the selected configuration (shared with other
  // drivers on the same port or address; created when allowed).
  virtual Status ConnectStream(uint32_t hostContext, bool create);
  virtual Status DisconnectStream(uint32_t hostContext);
  // Connects, asks the identification query, compares the answer, runs
  // AfterIdentificationCheck and disconnects; the device-clear registration
  // is off meanwhile and restored in every case.
  virtual Status RunIdentificationCheck(uint32_t hostContext);
  virtual Status AfterIdentificationCheck(uint32_t hostContext);
  // Sets the device-clear registration of the GPIB configuration, if any;
  // original receives the state before.
  virtual void ChangeClearDeviceRegistration(bool newState, bool* original);

  virtual Status DefaultStreamConfiguration(uint32_t hostContext);
  virtual Status PredefineStreamConfiguration(uint32_t hostContext);
  virtual Status AfterStreamConnectConfiguration(uint32_t hostContext);

  // SCPI queries, each one exchange without retries.
  Status QuerySystemError(uint32_t hostContext, std::string& answer);
  Status QueryStatusByte(uint32_t hostContext, std::string& answer);
  Status QueryEventStatusRegister(uint32_t hostContext, std::string& answer);
  // The answer of "*STB?" as a number; valid only when it is an integer in 0 to 255.
  Status GetStatusByteValue(uint32_t hostContext, uint8_t& value, bool& valid);
  static bool ErrorQueueNotEmpty(uint8_t statusByte) { return (statusByte & 4) != 0; }
  // Reads the status byte and tests it for a waiting error.
  Status CheckErrorQueue(uint32_t hostContext, bool& errorWaiting);

  void SetCheckSystemError(bool check) { checkSystemError_ = check; }
  bool GetCheckSystemError() const { return checkSystemError_; }
  void SetStatusPrefix(const std::string& prefix) { statusPrefix_ = prefix; }
  const std::string& GetStatusPrefix() const { return statusPrefix_; }
  // The ID string of the selected configuration, or empty.
  std::string GetSelectedStreamID() const;
  // The selected connection for messages: its ID string, for a COM port with
  // the device it maps to.
  std::string ConnectionName() const;

  DeviceStreamConfigurationManager& Manager() { return manager_; }
  const DeviceStreamConfigurationManager& Manager() const { return manager_; }
  // The key under which this client is a user of its stream.
  StreamUser User() const { return reinterpret_cast<StreamUser>(this); }

private:
  DeviceStreamConfigurationManager manager_;
  bool checkSystemError_ = false;
  std::string statusPrefix_;
  double configuredTimeoutSeconds_ = 0;  // from the file; 0: the driver's default
};
