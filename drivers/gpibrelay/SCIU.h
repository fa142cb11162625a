#pragma once
// SCIU switch unit on the plain GPIB device: five switches, each to
// position A or B with its own "TO:" command, written one at a time with a
// pause after each; the first failing write stops the set. Initialising
// puts both main switches to A; the check looks for "SCIU" in the answer to
// "*IDN?". Event 18 sends the during set again while it is not active.
#include "drivers/gpibrelay/GpibRelayDriver.h"
#include "legacy/NI488GPIB.h"

class SCIU : public GpibRelayDriver<NI488GPIB> {
public:
  static constexpr int kSwitches = 5;
  static constexpr uint32_t kPauseMs = 50;
  static constexpr Status kIdentificationMismatch = 0x30000096;
  enum { kDoNotChange = 0, kPositionA = 1, kPositionB = 2 };

  SCIU();
  std::vector<RelayChoice> Choices() const override;
  std::vector<std::string> Commands(int set) const;
  const std::string& ExpectedIdentification() const { return expectedIdentification_; }

  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  bool TracksDuringActive() const override { return true; }
  std::string OwnErrorText(uint32_t err) const override;
  void AddRelayPanel(PanelList& panels) override;

private:
  // Writes each command followed by the pause; stops at the first error.
  Status WriteEach(const std::vector<std::string>& commands);

  std::string expectedIdentification_ = "SCIU";
  std::string received_;
};
