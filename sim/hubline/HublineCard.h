#pragma once
// One plug-in card of a simulated Hubline unit, with the external switch
// boxes connected to it:
// - a relay card ("relay1", "relay2", "relay4"): change-over relays A.. that
//   rest on their normally-closed contact, and 4 external outputs, idle at
//   power-on;
// - a six-position card ("sixway1", "sixway2"): one or two SP6T switches A, B,
//   addressed "INT_RELAY_<switch>_<position>"; "sixway1-ext" and
//   "sixway2-ext" address them "EXT_RELAY_<switch>_<position>";
// - on any card, 0 to 4 external boxes of 4 SP6T switches each, addressed
//   "N1<box>RELAY_<switch>_<position>".
// A six-position switch is open (position 0) at power-on.
#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class HublineCard {
public:
  static constexpr int kOutputs = 4;
  static constexpr int kMaxBoxes = 4;
  static constexpr int kSwitchesPerBox = 4;
  static constexpr int kPositions = 6;

  // The card of a type name; nothing for an unknown name.
  static std::optional<HublineCard> FromTypeName(std::string_view type);
  // "relay1, relay2, ..." for error texts.
  static std::string TypeNames();

  // What a card command did: an answer, or a device error.
  struct Outcome {
    std::string answer;
    int error = 0;            // 0 when carried out
    bool rangeError = false;  // the error is a value out of range
  };
  // Carries out one card command (the part after the card address).
  Outcome Execute(std::string_view command);
  // Relays, outputs and switches back to their power-on state.
  void PowerOn();

  const std::string& TypeName() const { return type_; }
  // The model name the card reports by default.
  std::string DefaultIdentity() const;
  const std::string& Identity() const { return identity_; }
  void SetIdentity(std::string identity) { identity_ = std::move(identity); }
  int Boxes() const { return static_cast<int>(boxes_.size()); }
  void SetBoxes(int count);
  bool Remote() const { return remote_; }
  void SetRemote(bool remote) { remote_ = remote; }

  // The contact a relay rests on, "NO" or "NC"; empty when the card has no such relay.
  std::string Relay(char letter) const;
  // "ACTIVE" or "IDLE"; empty when the card has no such output.
  std::string Output(int number) const;
  // Position 1 to 6 of a six-position switch of the card, 0 when open, -1 when there is none.
  int Position(char letter) const;
  // The same for switch 1 to 4 of external box 1 to 4.
  int BoxPosition(int box, int number) const;

  nlohmann::json State() const;
  // One line per card and per box, for people: "A=NC B=NO, out 1=IDLE ...".
  std::vector<std::string> Summary() const;

private:
  enum class Kind { kRelay, kSixWay };
  using Box = std::array<int, kSwitchesPerBox>;

  HublineCard(std::string type, Kind kind, int count, bool externalPrefix);
  // The index of a relay or switch letter of the card, or -1.
  int LetterIndex(std::string_view letter) const;
  Outcome SetBoxSwitch(std::string_view box, std::string_view number, std::string_view position);
  Outcome SetSwitch(std::string_view letter, std::string_view position);

  std::string type_;
  Kind kind_ = Kind::kRelay;
  int count_ = 0;
  bool externalPrefix_ = false;  // six-position switches addressed with "EXT"
  std::string identity_;
  bool remote_ = false;
  std::vector<bool> normallyOpen_;  // relay cards: per relay, on its NO contact
  std::array<bool, kOutputs> outputsActive_{};
  std::vector<int> positions_;  // six-position cards: per switch
  std::vector<Box> boxes_;
};

}  // namespace sim
