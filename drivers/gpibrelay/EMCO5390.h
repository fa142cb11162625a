#pragma once
// EMCO 5390 position controller: one switch with a load position (value 0,
// "PLD") and positions 1 to 12 ("P<n>"). A move is announced with "*OPC",
// then the position command is sent and the driver waits for the service
// request with which the controller reports the move complete (30 s, or the
// milliseconds in SWMATRIX_EMCO5390_WAIT_MS; no request in time gives
// 0x3000019A). Service requests are enabled with "*ESE 1" and "*SRE 32".
#include "drivers/gpibrelay/GpibRelayDriver.h"
#include "legacy/NI4882CompliantGPIB.h"

class EMCO5390 : public GpibRelayDriver<NI4882CompliantGPIB> {
public:
  static constexpr uint32_t kCompletionWaitMs = 30000;
  static constexpr long kLoadPosition = 0;
  static constexpr long kLastPosition = 12;
  static constexpr Status kIdentificationMismatch = 0x30000096;

  EMCO5390();
  std::vector<RelayChoice> Choices() const override;
  // "PLD", "P1" .. "P12"; empty for any other value.
  static std::string Command(long position);
  // The wait for the completion request in milliseconds.
  static uint32_t CompletionWaitMs();

  // Opens the device, asks "*IDN?" and expects "5390" in the answer, closes.
  Status CheckDevice(HostWindow hWnd) override;
  Status EnableServiceRequests(HostWindow hWnd, int mask) override;
  Status DisableServiceRequests(HostWindow hWnd) override;

protected:
  Status SendSet(HostWindow hWnd, int set) override;
  std::string OwnErrorText(uint32_t err) const override;
  void AddRelayPanel(PanelList& panels) override;

private:
  std::string received_;
};
