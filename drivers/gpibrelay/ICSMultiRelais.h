#pragma once
// ICS GPIB relay interfaces: a relay count given at construction, each
// relay left alone, set ("R<nn>1") or reset ("R<nn>0", nn the two-digit
// relay number from 01), one message per relay; the first failing send
// stops the set. The device check sends "@", waits 100 ms and looks for the
// model number in the upper-cased answer. The interlock request is answered
// "closed".
#include "drivers/gpibrelay/GpibRelayDriver.h"
#include "legacy/NI4882MGPIB.h"

class ICSMultiRelais : public GpibRelayDriver<NI4882MGPIB> {
public:
  enum { kLeave = 0, kSet = 1, kReset = 2 };
  static constexpr Status kIdentificationMismatch = 0x30000096;
  static constexpr uint32_t kIdentificationPauseMs = 100;

  ICSMultiRelais(const std::string& model, int relays);
  std::vector<RelayChoice> Choices() const override;
  std::vector<std::string> Commands(int set) const;
  const std::string& Model() const { return model_; }

  Status CheckDevice(HostWindow hWnd) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  std::string OwnErrorText(uint32_t err) const override;
  void AddRelayPanel(PanelList& panels) override;

private:
  std::string model_;
  std::string received_;
};

class ICS4874MultiRelais : public ICSMultiRelais {
public:
  ICS4874MultiRelais(const std::string& model, int relays) : ICSMultiRelais(model, relays) {}
};

class ICS4864MultiRelais : public ICSMultiRelais {
public:
  static constexpr int kRelays = 16;
  explicit ICS4864MultiRelais(const std::string& model) : ICSMultiRelais(model, kRelays) {}
};

// The 4874 as an interlock monitor: the interlock request is answered from
// one of its eight digital inputs ("I<nn>?", answer "1" closed, "0" open),
// chosen with "InterlockRelais" (0 = input 1). With no input of the eight
// chosen there is nothing to ask: the request fails instead of answering.
class ICS4874Interlock : public ICS4874MultiRelais {
public:
  static constexpr int kRelays = 24;
  static constexpr int kInputs = 8;
  static constexpr Status kNoInterlockInput = 0x3000009B;

  explicit ICS4874Interlock(const std::string& model) : ICS4874MultiRelais(model, kRelays) {}

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  long InterlockInput() const { return interlockRelais_; }
  void SetInterlockInput(long input) { interlockRelais_ = input; }

protected:
  std::string OwnErrorText(uint32_t err) const override;

private:
  long interlockRelais_ = 0;
};
