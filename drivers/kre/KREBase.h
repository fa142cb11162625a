#pragma once
// The KRE relay box: nine relays, each with a "during" and an "after"
// position (0 to 6, or 100 to leave it), switched over a device stream by
// one command of "R<relay>P<position>" pieces ("R2P5R3P0"), and a pause
// ("Wait", ms) after each switching. Settings are kept in the owning
// driver's table together with the stream settings.
#include <array>
#include <string>

#include "framework/Timing.h"
#include "streams/DeviceStreamClientWithStream.h"

class KREBase : public DeviceStreamClientWithStream {
public:
  static constexpr int kRelays = 9;
  static constexpr int kDoNotSwitch = 100;
  static constexpr int kHighestPosition = 6;

  explicit KREBase(std::string table);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // Sends set 0 (the "Start" positions) or 1 (the "Stop" positions), then waits "Wait".
  virtual Status ApplySet(int set);
  // "R2P5…" for set 0 or 1; empty for another set or when every relay is left.
  std::string Command(int set) const;
  // The texts and values of the position choices, as dialogs offer them.
  static std::vector<std::pair<wxString, int>> PositionChoices();

  int Position(int set, int relay) const { return positions_[set][relay]; }
  void SetPosition(int set, int relay, int position) { positions_[set][relay] = position; }
  int Wait() const { return wait_; }
  void SetWait(int milliseconds) { wait_ = milliseconds; }
  const std::string& Table() const { return table_; }

private:
  std::string table_;
  std::array<std::array<int, kRelays>, 2> positions_;
  int wait_ = 0;
  Timing timing_;
};
