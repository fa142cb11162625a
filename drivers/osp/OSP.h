#pragma once
// The OSP switch platform: a frame with module slots, each holding a
// plug-in relay module. Per slot the module type and, per relay, a "during"
// and an "after" position are kept; the configured paths are closed with
// "ROUTE:CLOSE" when the test initialisation starts (events 3 and 18) and
// when the test has stopped (event 2).
//
// OSP::OSP is the frame with three slots whose modules are addressed
// A11–A13; OSP220, OSP230 and OSP320 differ in their slot count and module
// addresses (see GenerateCommand).
#include <array>
#include <string>
#include <vector>

#include "drivers/osp/OSPModules.h"
#include "framework/SwitchMatrixBase.h"
#include "streams/TwoBaseClasses.h"

template <class Driver, class Client = DeviceStreamClientWithStream>
class BaseClassesFrequencyIndependent : public TwoBaseClasses<Driver, Client> {};

namespace OSP {

struct ModuleRelayInfo {
  int relays = 0;
  int firstRelay = 1;
  int highestIndex = 0;
  int offset = -1;
};

class OSP : public BaseClassesFrequencyIndependent<SwitchMatrixBase> {
public:
  static constexpr int kSlots = 10;
  static constexpr int kRelays = 16;
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;
  static constexpr const char* kTable = "OSP";
  static constexpr const char* kTransports = "VISA";
  static constexpr int kPauseMilliseconds = 50;

  explicit OSP(const std::string& expectedIdentification = "OSP120");

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override { return RunIdentificationCheck(hWnd); }
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override { return DisconnectStream(hWnd); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  virtual std::vector<std::string> AllowedPositions(eModuleSettingsOSP module) const;
  virtual std::string GenerateCommand(int frame, int slot, int relay, int channel) const;
  virtual int SlotCount() const { return 3; }
  virtual std::string NormaliseStoredPosition(const std::string& text, eModuleSettingsOSP module) const;
  virtual ModuleRelayInfo GetModuleRelayInfo(int slot) const;

  // Closes the configured paths of state 0 (during) or 1 (after).
  Status Apply(int which);

  eModuleSettingsOSP Module(int slot) const { return modules_[static_cast<size_t>(slot)]; }
  void SetModule(int slot, eModuleSettingsOSP module) { modules_[static_cast<size_t>(slot)] = module; }
  const std::string& Position(int which, int slot, int relay) const {
    return positions_[static_cast<size_t>(which)][static_cast<size_t>(slot)][static_cast<size_t>(relay)];
  }
  void SetPosition(int which, int slot, int relay, const std::string& text) {
    positions_[static_cast<size_t>(which)][static_cast<size_t>(slot)][static_cast<size_t>(relay)] = text;
  }
  int Frame() const { return frame_; }
  void SetFrame(int frame) { frame_ = frame; }
  bool DuringSuppressed() const { return suppressDuring_; }
  bool AfterSuppressed() const { return suppressAfter_; }
  void SetSuppressed(bool during, bool after) {
    suppressDuring_ = during;
    suppressAfter_ = after;
  }

private:
  Status Send(const std::string& command);

  std::array<eModuleSettingsOSP, kSlots> modules_{};
  std::array<std::array<std::array<std::string, kRelays>, kSlots>, 2> positions_;
  int frame_ = 1;
  bool suppressDuring_ = false;
  bool suppressAfter_ = false;
};

// Six slots addressed M01–M03 and M06–M08.
class OSP220 : public OSP {
public:
  explicit OSP220(const std::string& expectedIdentification = "OSP220") : OSP(expectedIdentification) {}
  std::string GenerateCommand(int frame, int slot, int relay, int channel) const override;
  int SlotCount() const override { return 6; }
};

// Five slots addressed M01–M03, M06 and M07.
class OSP230 : public OSP220 {
public:
  explicit OSP230(const std::string& expectedIdentification = "OSP230") : OSP220(expectedIdentification) {}
  int SlotCount() const override { return 5; }
};

// Ten slots addressed M01–M10.
class OSP320 : public OSP {
public:
  explicit OSP320(const std::string& expectedIdentification = "OSP320") : OSP(expectedIdentification) {}
  std::string GenerateCommand(int frame, int slot, int relay, int channel) const override;
  int SlotCount() const override { return 10; }
};

}  // namespace OSP
