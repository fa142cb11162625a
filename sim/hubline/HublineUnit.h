#pragma once
// A simulated Hubline unit: a chassis with slots 1 to 8 for plug-in cards
// (see HublineCard) that speaks the unit's line protocol.
//
// A multislot unit takes unit commands as they are ("*IDN?", "SYSTEM:KLOCK
// 1", "LOCAL", "EXTRAINFO ERROR 5") and card commands behind the card's
// address, "S" + slot + ":" ("S3:INT_RELAY_A_NO"). A single unit (a
// single-slot unit, a device connected directly, or an Ultra unit, all of
// which take card commands without address) has only slot 1 and passes
// every command that is not a unit command to that card.
//
// Every command gets one reply: "OK" for a setting that was carried out,
// the value for a query, or a device error (see HublineErrorTable). The
// keyboard lock ("SYSTEM:KLOCK") needs firmware 1.12.2 or later and the
// error descriptions ("EXTRAINFO ERROR n") firmware 4.0.0 or later; older
// firmware answers them as unknown commands.
#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "sim/core/InstrumentFamily.h"
#include "sim/hubline/FirmwareVersion.h"
#include "sim/hubline/HublineCard.h"
#include "sim/hubline/HublineCommandRules.h"
#include "sim/hubline/HublineErrorTable.h"

namespace sim {

class HublineUnit : public InstrumentFamily {
public:
  static constexpr int kSlots = 8;
  static constexpr const char* kDefaultIdentity = "SWMSIM Hubline multislot unit, version {firmware}";
  static constexpr const char* kDefaultFirmware = "4.1.0";

  HublineUnit();

  std::string_view Name() const override { return "hubline"; }
  // Keys: "unit" (multislot, single), "firmware", "unit-idn" ({firmware}
  // stands for the version), "slotN" (a card type or none), "slotN-idn",
  // "slotN-boxes", "klock-reply" (ok, state), "front-panel" (a command
  // keyed in at the unit), the keys of HublineErrorTable and of
  // HublineCommandRules.
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // The card in slot 1 to 8, or null.
  const HublineCard* Card(int slot) const;
  bool KeyboardLocked() const { return keyboardLocked_; }
  bool Remote() const { return remote_; }
  const FirmwareVersion& Firmware() const { return firmware_; }
  // The number of the last device error replied, 0 when none.
  int LastError() const { return lastError_; }

private:
  using Outcome = HublineCard::Outcome;
  enum class Layout { kMultislot, kSingle };

  Outcome Execute(std::string_view command);
  // A command without card address; nothing when it is not a unit command.
  std::optional<Outcome> UnitCommand(std::string_view command);
  Outcome CardCommand(HublineCard& card, std::string_view command);
  std::string ConfigureSlot(const std::string& key, const std::string& value);
  std::string PressKeys(const std::string& command);
  std::string Identity() const;

  Layout layout_ = Layout::kMultislot;
  FirmwareVersion firmware_;
  std::string identity_ = kDefaultIdentity;
  bool klockAnswersOk_ = true;
  std::array<std::optional<HublineCard>, kSlots> slots_;
  HublineErrorTable errors_;
  HublineCommandRules rules_;
  bool keyboardLocked_ = false;
  bool remote_ = false;
  int lastError_ = 0;
  size_t errorReplies_ = 0;
  size_t keysPressed_ = 0;
  size_t keysRefused_ = 0;
};

}  // namespace sim
