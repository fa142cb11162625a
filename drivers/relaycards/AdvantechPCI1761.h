#pragma once
// The Advantech PCI-1761 relay card (8 relays on the output byte of port 0)
// through the Advantech driver library. AdvantechPCI1761Switch switches the
// relays as a switch matrix (during set on event 3, after set on event 2);
// AdvantechPCI1761AntennaTower uses bit 0 to switch an antenna's
// polarisation (set for vertical, clear for horizontal).
#include <array>
#include <cstdint>

#include "drivers/relaycards/LabCardLibrary.h"
#include "framework/AntennaTowerBase.h"
#include "framework/SwitchMatrixBase.h"
#include "framework/Timing.h"
#include "settings/ProgramSettingsDatabase.h"

class AdvantechPCI1761Base {
public:
  static constexpr int kRelays = 8;
  static constexpr int kOn = 1;
  static constexpr int kOff = 2;
  static constexpr int kDoNotSwitch = 100;

  AdvantechPCI1761Base();
  virtual ~AdvantechPCI1761Base() = default;

  // Tables "PCI1761" (relays, "Wait") and "LabCardLib" ("Device").
  void LoadCardSettings(const SettingsStore& store);
  void SaveCardSettings(const SettingsStore& store) const;

  Status OpenCard() { return library_.Open(static_cast<unsigned long>(device_)); }
  Status CloseCard() { return library_.Close(); }
  Status CheckCard();
  // Read the output byte, set or clear the bit of every relay not left, write it, then wait.
  virtual Status ApplySet(int set);
  // Waits "Wait" ms when it is above 0.
  void WaitAfterSwitching();
  // The text of a status of the card, empty when it is not one.
  std::string CardErrorText(Status status) const;

  int Setting(int set, int relay) const { return settings_[set][relay]; }
  void SetSetting(int set, int relay, int value) { settings_[set][relay] = value; }
  int Wait() const { return wait_; }
  void SetWait(int milliseconds) { wait_ = milliseconds; }
  int Device() const { return device_; }
  void SetDevice(int device) { device_ = device; }
  LabCardLibrary& Library() { return library_; }

private:
  std::array<std::array<int, kRelays>, 2> settings_;
  int wait_ = 0;
  int device_ = 0;
  LabCardLibrary library_;
  Timing timing_;
};

class AdvantechPCI1761Switch : public SwitchMatrixBase, public AdvantechPCI1761Base {
public:
  static constexpr const char* kDialogName = "AdvantechPCIConfigDialog";

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow) override { return CheckCard(); }
  Status InitDevice(HostWindow) override { return OpenCard(); }
  Status DeInitDevice(HostWindow) override { return CloseCard(); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
};

class AdvantechPCI1761AntennaTower : public AntennaTowerBase, public AdvantechPCI1761Base {
public:
  static constexpr const char* kDialogName = "TrimbleConfigDialog";
  // The tower's height is fixed: the single-precision 1.1 m.
  static constexpr float kHeight = 1.1f;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow) override { return CheckCard(); }
  Status InitDevice(HostWindow) override { return OpenCard(); }
  Status DeInitDevice(HostWindow) override { return CloseCard(); }
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  using AntennaTowerBase::GoToHeight;
  Status GoToHeight(HostWindow hWnd, const double* metres) override;
  Status SetPolarization(HostWindow hWnd, const int32_t* polarization) override;
  Status GetCurrentPolarization(HostWindow hWnd, int32_t* polarization) override;
  Status GetCurrentHeight(HostWindow hWnd, void* metres) override;
  Status GetMinimumPhysicalHeight(HostWindow hWnd, void* metres) override;
  Status GetMaximumPhysicalHeight(HostWindow hWnd, void* metres) override;
};
