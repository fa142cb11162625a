#pragma once
// A switch matrix whose whole behaviour is typed by the user: one command per
// host event, a list of commands for the test (sent when the initialisation
// starts) and one for after it (sent when the test stops). Numbers the events
// carry (frequency, powers, antenna height, turntable angle, a field strength
// computed from the power) go into the commands through named placeholders.
#include <array>
#include <string>
#include <vector>

#include "drivers/configurable/ConfigurableDeviceDriver.h"
#include "drivers/configurable/Placeholder.h"
#include "framework/SwitchMatrixBase.h"

class ConfigurableSwitchMatrix : public ConfigurableDeviceDriver, public SwitchMatrixBase {
public:
  // The event commands, in the order of their keys.
  enum Command : size_t {
    onTestStarted, onTestStopped, onFrequencyChanged, onCarrierLevelChanged, onDwellTimeStarted,
    onDwellTimeStopped, onModulationOn, onModulationOff, onMeasuringForwardPower, onForwardPowerMeasured,
    onMeasuringReflectedPower, onReflectedPowerMeasured, onNetPowerMeasured, onFieldSensorMeasured,
    onAntennaMovementStarted, onAntennaMovementStopped, onAntennaTowerChanged, AntennaPolarisationChanged,
    onTurntableMovementStarted, onTurntableMovementStopped, onTurntableChanged, kCommandCount
  };
  static const std::array<const char*, kCommandCount> kCommandKeys;
  static constexpr const char* kTable = "SwitchMatrix";
  static constexpr const char* kFieldTable = "CalculatedElectricalField";
  static constexpr double kUnset = -1234.0;
  static constexpr uint32_t kLastHandledEvent = 63;

  ConfigurableSwitchMatrix();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status InitDevice(HostWindow hWnd) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;

  // The placeholders of the numbers known now, after the given event entries.
  PlaceholderList BuildPlaceholderList(const PlaceholderList& eventEntries = {}) const;
  // Sends every element of a list until an empty one (see the class comment);
  // an empty list opens no connection.
  Status RunList(HostWindow hWnd, const std::vector<std::string>& list);
  // Whether the last event command was sent (false when it was empty or failed).
  bool CommandSent() const { return commandSent_; }
  // The field of a 50-ohm cell from the forward power (else the carrier level).
  void ComputeField();
  // Whether a cached number has been reported.
  static bool Known(double number) { return Differs(number, kUnset); }
  // Relative difference above 1e-8 (plain difference when either is 0).
  static bool Differs(double a, double b);
  // The four entries "__NAME__", "__NAMEdBm__", "__NAMEmW__", "__NAMEW__" of a level in dBm.
  static void AddPowerGroup(PlaceholderList& list, const std::string& name, double dBm);

  bool performReadAfterWrite = false;
  std::vector<std::string> duringTest;
  std::vector<std::string> afterTest;
  std::array<std::string, kCommandCount> commands;
  double height = kUnset;
  double angle = kUnset;
  double calculatedField = 0.0;
  double frequency = kUnset;
  double carrier = kUnset;
  double forward = kUnset;
  double reflected = kUnset;
  double forwardPowerCorrection = 0.0;
  double septumHeightMetre = 0.284;

private:
  // Substitutes (unless told not to) and sends one event command; empty commands are skipped.
  Status SendCommand(HostWindow hWnd, Command command, const PlaceholderList& eventEntries, bool substitute = true);

  // Counts of the lists when last loaded or saved, so that stale keys are blanked.
  size_t storedDuringTest_ = 0;
  size_t storedAfterTest_ = 0;
  bool commandSent_ = false;
};
