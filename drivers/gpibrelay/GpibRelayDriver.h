#pragma once
// A GPIB relay or switch controller as a switch matrix. Each relay or switch
// has a "during" and an "after" setting (RelaySettingsTable): the during set
// is sent when a test's initialisation starts (event 3), the after set when
// the test has stopped (event 2); drivers that keep track of the during set
// being active also send it at event 18 while it is not. The GPIB device
// class (plain, service-request or IEEE 488.2) is the template argument.
#include <string>
#include <utility>
#include <vector>

#include "dialogs/PanelList.h"
#include "framework/HostEvents.h"
#include "framework/SwitchMatrixBase.h"
#include "framework/TextBuffer.h"
#include "drivers/gpibrelay/RelaySettingsTable.h"
#include "legacy/NI488GPIBConfiguration.h"

// A value of a setting and the text a dialog shows for it.
struct RelayChoice {
  long value;
  std::string text;
};

// What a dialog needs to know of a relay driver.
class RelayDriverDialogModel {
public:
  virtual ~RelayDriverDialogModel() = default;
  virtual RelaySettingsTable& Settings() = 0;
  virtual std::vector<RelayChoice> Choices() const = 0;
};

template <class Gpib>
class GpibRelayDriver : public SwitchMatrixBase, public Gpib, public RelayDriverDialogModel {
public:
  static constexpr int kDuring = RelaySettingsTable::kDuring;
  static constexpr int kAfter = RelaySettingsTable::kAfter;

  explicit GpibRelayDriver(RelaySettingsTable settings) : Gpib(GPIB0, 0, 0), settings_(std::move(settings)) {}

  // The relay table, then the driver's common settings, then the GPIB table.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override {
    settings_.Load(store);
    const Status status = DeviceDriverBase::LoadProgramSettings(hostContext, store);
    return FirstError(status, Gpib::LoadProgramSettings(hostContext, store));
  }
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override {
    settings_.Save(store);
    const Status status = DeviceDriverBase::SaveProgramSettings(hostContext, store);
    return FirstError(status, Gpib::SaveProgramSettings(hostContext, store));
  }

  // Opens the device and closes it again: the open status if it failed, else the close status.
  Status CheckDevice(HostWindow hWnd) override {
    const Status opened = Gpib::OpenDevice(hWnd);
    if (opened) return opened;
    return Gpib::CloseDevice(hWnd);
  }
  Status InitDevice(HostWindow hWnd) override { return Gpib::OpenDevice(hWnd); }
  Status DeInitDevice(HostWindow hWnd) override { return Gpib::CloseDevice(hWnd); }
  Status ShowConfigurationDialog(HostWindow hWnd) override { return ShowTabbedConfigurationDialog(hWnd); }

  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double*) override {
    if (!event) return 0;
    switch (*event) {
      case SWM_EVENT_TestStopped:
        return ApplySet(hWnd, kAfter);
      case SWM_EVENT_InitialisationStarted:
        return ApplySet(hWnd, kDuring);
      case SWM_EVENT_DeviceDriverInitStopped:
        return TracksDuringActive() && !duringActive_ ? ApplySet(hWnd, kDuring) : 0;
      default:
        return 0;
    }
  }

  // The driver's own texts, then the GPIB texts, then those of every driver.
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override {
    ClearTextBuffer(buffer, bufferSize, read);
    const std::string own = OwnErrorText(err);
    if (!own.empty()) {
      CopyTextToBuffer(own, buffer, bufferSize, read);
      return 0;
    }
    Gpib::GetErrorString(hWnd, err, buffer, bufferSize, read);
    if (read && *read) return 0;
    return DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  }

  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override {
    AddRelayPanel(panels);
    return Gpib::AddConfigurationPanel(hWnd, panels);
  }

  // Sends set 0 (during) or 1 (after); any other set does nothing. Then the
  // during set counts as active after set 0 and as inactive after set 1.
  Status ApplySet(HostWindow hWnd, int set) {
    if (set != kDuring && set != kAfter) return 0;
    const Status status = SendSet(hWnd, set);
    duringActive_ = set == kDuring;
    return status;
  }

  bool DuringActive() const { return duringActive_; }
  RelaySettingsTable& Settings() override { return settings_; }
  std::vector<RelayChoice> Choices() const override { return {}; }

protected:
  // The commands of one set.
  virtual Status SendSet(HostWindow hWnd, int set) = 0;
  // Whether event 18 sends the during set while it is not active.
  virtual bool TracksDuringActive() const { return false; }
  // Texts of the driver's own status codes (empty for others).
  virtual std::string OwnErrorText(uint32_t) const { return {}; }
  // The page of the relay settings (none by default).
  virtual void AddRelayPanel(PanelList&) {}

  RelaySettingsTable settings_;
  bool duringActive_ = false;
};
