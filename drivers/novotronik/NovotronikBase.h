#pragma once
// Novotronik GTS coaxial switch units: up to four rows, each naming the host
// event that triggers it and, for each of the unit's eight switches, the
// pole to select. Each switch is set ("SES..") and then verified with status
// queries ("STS") until it reports the pole.
#include <array>
#include <optional>
#include <string>

#include "drivers/novotronik/NovotronikProtocol.h"
#include "framework/SwitchMatrixBase.h"
#include "settings/EnumClass.h"
#include "streams/DeviceStreamClientWithStream.h"

namespace Kovalex::devicedrivers::NOVOTRONIK {

SWM_ENUM(eSwitchEventSettingsNovotronik, enmUnspecified = 0, enmTestStopped = 2, enmInitialisationStarted = 3)
SWM_ENUM(eSwitchPinSettingsNovotronik, enmPOS_00 = 0, enmPOS_01 = 1, enmPOS_02 = 2, enmPOS_03 = 3, enmPOS_04 = 4,
         enmPOS_05 = 5, enmPOS_06 = 6, enmPOS_07 = 7, enmDoNothing = 100)

class NovotronikBase : public SwitchMatrixBase, public DeviceStreamClientWithStream {
public:
  static constexpr int ROW_TOTAL = 4;
  static constexpr int PINS_PER_PORT = 8;
  static constexpr const char* kTable = "Novotronik";
  static constexpr Status kNotCarriedOut = 0x30006DC5;
  static constexpr int kSetAttempts = 2;
  static constexpr int kStatusQueries = 10;
  static constexpr uint32_t kSwitchingMs = 200;
  static constexpr int kUnknownPole = 99;
  static constexpr const char* kDefaultAddress = "192.168.0.60";

  explicit NovotronikBase(const std::string& expectedIdentification);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status DefaultStreamConfiguration(uint32_t hostContext) override;
  Status AfterStreamConnectConfiguration(uint32_t hostContext) override;

  virtual eSwitchEventSettingsNovotronik RowEvent(int row) const;
  virtual void SetEventSettings(int row, eSwitchEventSettingsNovotronik value);
  virtual eSwitchPinSettingsNovotronik RowPin(int row, int pin) const;
  virtual void SetTestSettings(int row, int pin, eSwitchPinSettingsNovotronik value);
  virtual std::string BuildSetCommand(int switchNumber, int pole) const;
  virtual std::string FrameCommand(const std::string& command, const std::string& terminator) const;
  using DeviceStreamClientWithStream::Write;
  virtual Status Write(const std::string& command, const std::string& terminator, bool waitForOperationComplete);
  virtual Status Query(const std::string& command, std::string& reply, const std::string& terminator);

  // Sets the switches of every row of the event.
  Status SetSwitch(uint32_t event);

  Framing CurrentFraming() const;
  const std::string& EndOfString() const { return endOfString_; }
  int LastSwitch() const { return lastSwitch_; }
  int LastPole() const { return lastPole_; }
  int CurrentPole() const { return currentPole_; }

private:
  // The unit's factory address until the user gives another.
  void PresetNetworkAddress();
  Status SetOneSwitch(int switchNumber, int pole);

  std::array<eSwitchEventSettingsNovotronik, ROW_TOTAL> events_{};
  std::array<std::array<eSwitchPinSettingsNovotronik, PINS_PER_PORT>, ROW_TOTAL> pins_{};
  std::string endOfString_ = "\n";
  // The stream's terminators before a serial connection set ETX, while ETX is set.
  std::optional<DeviceStreamSettings> replacedTerminators_;
  double keptTimeout_ = 0;
  int lastSwitch_ = 0;
  int lastPole_ = 0;
  int currentPole_ = kUnknownPole;
};

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
