#pragma once
// HP 11713A attenuator/switch driver: ten relays, each set ("A<k>") or reset
// ("B<k>") with its index k = 0..9; the pieces of one set go out as one
// message ("A0A3B9"). Event 18 sends the during set again while it is not active.
#include "drivers/gpibrelay/GpibRelayDriver.h"
#include "legacy/NI4882MGPIB.h"

class HP11713A : public GpibRelayDriver<NI4882MGPIB> {
public:
  static constexpr int kRelays = 10;
  enum { kDoNotChange = 0, kSet = 1, kReset = 2 };

  HP11713A();
  std::vector<RelayChoice> Choices() const override;
  // The message of a set; empty when every relay is "Do not change".
  std::string Command(int set) const;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  bool TracksDuringActive() const override { return true; }
  void AddRelayPanel(PanelList& panels) override;
};

// HP 59307A VHF switch driver: two switches A and B, each to one of four
// positions ("A0" .. "A3": letter, then the stored value 0..3), both in one
// message; the value 100 ("Do not switch") sends nothing.
class HP59307 : public GpibRelayDriver<NI4882MGPIB> {
public:
  static constexpr int kSwitches = 2;
  static constexpr long kDoNotSwitch = 100;

  HP59307();
  std::vector<RelayChoice> Choices() const override;
  std::string Command(int set) const;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  void AddRelayPanel(PanelList& panels) override;
};

// The attenuator of a power meter path switched through the HP 11713A: relay
// 9 reset ("B9") while current or sensor power is measured, set ("A9") while
// forward power is measured. No relay settings; the GPIB settings have their
// own dialog.
class HP8494Switch : public GpibRelayDriver<NI4882MGPIB> {
public:
  HP8494Switch();
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status ShowConfigurationDialog(HostWindow hWnd) override { return NI4882MGPIB::ShowConfigurationDialog(hWnd); }

protected:
  Status SendSet(HostWindow, int) override { return 0; }
};

// EMCO 2090 controller: its four auxiliary outputs switched on ("AUX n ON")
// or off ("AUX n OFF"), one message per output; the first failing send stops the set.
class EMCO2090 : public GpibRelayDriver<NI4882MGPIB> {
public:
  static constexpr int kOutputs = 4;

  EMCO2090();
  std::vector<RelayChoice> Choices() const override;
  std::vector<std::string> Commands(int set) const;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  void AddRelayPanel(PanelList& panels) override;
};
