#include "sim/amplifier/Amplifier.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/Trimmed.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {

constexpr std::array<std::string_view, 8> kBands = {"DIR/ANT1", "DIR/ANT2", "DIR/LOAD", "DIR/9k-18GHz",
                                                    "B1/ANT1",  "B1/LOAD",  "B2/ANT2",  "B2/LOAD"};

bool FourCapitals(const std::string& text) {
  if (text.size() != 4) return false;
  for (char c : text)
    if (c < 'A' || c > 'Z') return false;
  return true;
}

}  // namespace

std::string Amplifier::Configure(const std::string& key, const std::string& value) {
  std::string error;
  if (key == "model") {
    if (value == "bba100") model_ = Model::kBba100;
    else if (value == "bonn") model_ = Model::kBonn;
    else return "model needs bba100 or bonn, not '" + value + "'";
    return "";
  }
  if (key == "interlock-device" || key.starts_with("interlock-group")) {
    const size_t index = key == "interlock-device" ? 0 : key == "interlock-group1" ? 1 : key == "interlock-group2" ? 2
                         : key == "interlock-group3" ? 3 : 4;
    if (index == 4) return "unknown key '" + key + "' for family amplifier (interlock-group1 to 3)";
    if (!FourCapitals(value)) return key + " needs four capital letters, not '" + value + "'";
    fields_[index] = value;
    return "";
  }
  // Texts that go on the wire understand the escapes of the configuration file.
  std::optional<std::string> text;
  if (key == "idn" || key == "interlock-reply" || key == "status" || key == "status-after-reset" ||
      key == "execution-result") {
    text = UnescapeText(value, &error);
    if (!text) return error;
  }
  if (key == "idn") identity_ = *text;
  else if (key == "interlock-reply") interlockReply_ = value == "fields" ? std::nullopt : text;
  else if (key == "status") status_ = *text;
  else if (key == "status-after-reset") statusAfterReset_ = *text;
  else if (key == "execution-result") executionResult_ = *text;
  else if (key == "sre") {
    int number = 0;
    const auto [end, failed] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (failed != std::errc() || end != value.data() + value.size() || number < 0 || number > 255)
      return "sre needs 0 to 255, not '" + value + "'";
    sre_ = number;
  } else {
    return "unknown key '" + key + "' for family amplifier";
  }
  return "";
}

std::string Amplifier::DefaultIdentity() const {
  return model_ == Model::kBba100 ? "Rohde & Schwarz,BBA100,100001,3.10" : "SWMSIM,BONN BAS AMPLIFIER,0,1.0";
}

std::string Amplifier::InterlockAnswer() const {
  if (interlockReply_) return *interlockReply_;
  return fields_[0] + "," + fields_[1] + "," + fields_[2] + "," + fields_[3];
}

std::optional<std::string> Amplifier::Handle(const std::string& raw) {
  const std::string command = Trimmed(raw);
  if (command == "*IDN?") return identity_.value_or(DefaultIdentity());
  if (model_ == Model::kBba100) {
    if (command == "SENS:INT?") {
      ++queries_;
      return InterlockAnswer();
    }
    ++unknown_;
    return std::nullopt;
  }
  if (command == "STATUS?") {
    ++queries_;
    return status_;
  }
  if (command == "EXECUTION_RESULT?") return executionResult_;
  if (command == "*SRE?") return std::to_string(sre_);
  if (command == "REMOTE" || command == "LOCAL") {
    remote_ = command == "REMOTE";
    return std::nullopt;
  }
  if (command == "*RST") {
    ++resets_;
    status_ = statusAfterReset_;
    return std::nullopt;
  }
  if (command.starts_with("*SRE ")) {
    int number = -1;
    const std::string digits = Trimmed(command.substr(5));
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (number >= 0 && number <= 255) sre_ = number;
    return std::nullopt;
  }
  if (command.starts_with("BAND=")) {
    for (std::string_view band : kBands)
      if (command.substr(5) == band) band_ = band;
    return std::nullopt;
  }
  if (command == "SW01_1" || command == "SW01_2") {
    band_ = command == "SW01_1" ? "low" : "high";
    return std::nullopt;
  }
  if (!command.empty()) ++unknown_;
  return std::nullopt;
}

// The interlock fields and the status texts are conditions a test set up; they stay.
void Amplifier::Reset() {
  sre_ = 0;
  remote_ = false;
  band_.clear();
  resets_ = queries_ = unknown_ = 0;
}

nlohmann::json Amplifier::State() const {
  return {{"model", model_ == Model::kBba100 ? "bba100" : "bonn"},
          {"idn", BytesToUtf8(identity_.value_or(DefaultIdentity()))},
          {"interlock", BytesToUtf8(InterlockAnswer())},
          {"status", BytesToUtf8(status_)},
          {"execution_result", BytesToUtf8(executionResult_)},
          {"sre", sre_},
          {"remote", remote_},
          {"band", band_},
          {"resets", resets_},
          {"queries", queries_},
          {"unknown_commands", unknown_}};
}

}  // namespace sim
