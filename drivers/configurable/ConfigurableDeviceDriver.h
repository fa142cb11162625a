#pragma once
// A driver whose device commands the user types: reset, initialisation,
// identification query with its expected answer and de-initialisation, sent
// over the driver's device stream. Also the send operation (escape
// sequences, splitting at a user-given text) and the read that collects an
// answer until it matches a pattern, used by the drivers built on it.
#include <string>

#include "framework/ConfigurableBase.h"
#include "framework/DeviceDriverBase.h"
#include "streams/DeviceStreamClientWithStream.h"

// The settings of a configurable driver, in the order of their keys.
struct ConfigurableDeviceSettings {
  bool sendCommands = false;
  std::string reset;
  std::string getID;
  std::string returnedID;
  std::string init;
  std::string deInit;
  bool sendAndWaitForCompletion = false;
  bool readAndDiscardResult = false;
  std::string splitterString;
  double timeOutTimeSeconds = 10.0;
};

class ConfigurableDeviceDriver : public virtual DeviceDriverBase,
                                 public DeviceStreamClientWithStream,
                                 public ConfigurableBase {
public:
  static constexpr const char* kDefaultTableName = "ConfigurableDeviceDriverBase";
  static constexpr uint32_t kPartPauseMilliseconds = 100;
  static constexpr uint32_t kResetPauseMilliseconds = 1000;
  static constexpr uint32_t kIdentificationPauseMilliseconds = 30;
  static constexpr size_t kReadBlock = 1024;
  // CheckDevice on UDP without an identification query: nothing was reached.
  static constexpr Status kNothingToCheck = 0x30000098;
  // A reply that keeps arriving in full blocks is read on up to this length.
  static constexpr size_t kReadOnBelow = 50001;

  ConfigurableDeviceDriver();

  // The Common table, then LoadConfigurableSettings.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  // The keys in their table, then the stream client's settings; afterwards
  // the identification query and answer go to the identification check.
  virtual uint32_t LoadConfigurableSettings(uint32_t hostContext, const SettingsStore& store);
  virtual uint32_t SaveConfigurableSettings(uint32_t hostContext, const SettingsStore& store);

  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // RS-232 without terminators, every other transport with the default ones;
  // the time-out from the settings.
  Status PredefineStreamConfiguration(uint32_t hostContext) override;
  // The identification is edited on the driver's own page.
  Status CreateIdentificationPanel(uint32_t, PanelList&) override { return 0; }

  // Writes the text (escape sequences decoded), in parts when a splitter is
  // set, with a pause after each part. Nothing is sent for an empty text.
  virtual Status Send(const std::string& informationToSend, bool waitForOperationComplete);
  // Reads until the collected text matches the pattern (the identification
  // matching), or fails with ERR_REGEX_TIMEOUT once the stream's time-out
  // has passed.
  virtual Status ReadUntilPattern(std::string& text, const std::string& expectedPattern);
  // Connects the stream when it is not connected, sets the time-out and takes
  // the stream's lock; ReleaseStream gives the lock back (the stream stays
  // connected).
  virtual Status AcquireStream(HostWindow hWnd);
  virtual Status ReleaseStream(HostWindow hWnd);

  ConfigurableDeviceSettings& Settings() { return settings_; }
  const ConfigurableDeviceSettings& Settings() const { return settings_; }
  // Hands the identification query and answer to the identification check.
  void HandIdentificationToChecker();

private:
  ConfigurableDeviceSettings settings_;
  int lockDepth_ = 0;
};
