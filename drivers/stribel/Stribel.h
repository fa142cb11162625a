#pragma once
// The Stribel EUT controller on a serial port: the test signal of every
// dwell time (frequency, field strength, modulation) is collected from the
// host's events and sent as a start message when the host asks whether the
// dwell time may start; the controller confirms with "OK" or rejects with
// "ERROR" and a number.
#include <string>

#include "drivers/stribel/StribelProtocol.h"
#include "framework/SwitchMatrixBase.h"
#include "legacy/RS232DeviceDriver.h"
#include "settings/EnumClass.h"

SWM_ENUM(MeasurementType, MIN_TYPE = 0, MeasuredField = MIN_TYPE, CalcField, MAX_TYPE = CalcField)

class Stribel : public SwitchMatrixBase, public RS232DeviceDriver {
public:
  static constexpr const char* kTable = "Stribel";
  static constexpr const char* kInitMessage = "INIT\r";
  static constexpr const char* kEndMessage = "ENDE\r";
  static constexpr uint32_t kAnswerLimitMs = 5000;
  static constexpr uint32_t kAnswerStepMs = 500;
  static constexpr size_t kAnswerLength = 99;
  static constexpr size_t kStopAnswerLength = 100;
  static constexpr size_t kStopAnswerWaiting = 3;
  static constexpr uint32_t kStopAnswerPauseMs = 200;

  Stribel() = default;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status ShowConfigurationDialog(HostWindow hWnd) override { return SwitchMatrixBase::ShowConfigurationDialog(hWnd); }
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  MeasurementType FieldType() const { return fieldType_; }
  void SetFieldType(MeasurementType type) { fieldType_ = type; }
  const stribel::TestSignal& Signal() const { return signal_; }
  int32_t LastErrorNumber() const { return lastError_; }

private:
  // Waits up to limitMs (in steps) until two bytes wait, then reads and evaluates them.
  Status WaitForAnswer(uint32_t limitMs);
  Status Evaluate(const std::string& answer);

  MeasurementType fieldType_ = MeasuredField;
  stribel::TestSignal signal_;
  int32_t lastError_ = 0;
};
