#include "sim/osp/OspFrame.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/Trimmed.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool TwoDigits(std::string_view text, int* value) {
  if (text.size() != 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      !std::isdigit(static_cast<unsigned char>(text[1])))
    return false;
  *value = (text[0] - '0') * 10 + (text[1] - '0');
  return true;
}

std::string Place(char letter, int number) {
  std::string text(1, letter);
  if (number < 10) text += '0';
  return text + std::to_string(number);
}

}  // namespace

std::optional<OspFrame::Module> OspFrame::ModuleOfType(const std::string& type) {
  // Relays, first relay, lowest and highest channel.
  struct Row {
    const char* types;
    int relays, first, low, high;
  };
  static const Row rows[] = {{"B107 B114 B103", 16, 1, 0, 1}, {"B131", 2, 11, 0, 1},
                             {"B102 B112", 2, 1, 1, 6},       {"B128", 3, 1, 1, 6},
                             {"B101 B106 B111 B127 B132", 6, 1, 0, 1},
                             {"B116 B136", 2, 1, 0, 1},       {"B121", 3, 1, 0, 1},
                             {"B119", 1, 1, 1, 8},            {"B122 B133", 1, 1, 1, 6},
                             {"B104", 4, 1, 1, 4}};
  for (const Row& row : rows) {
    const std::string_view types = row.types;
    for (size_t at = types.find(type); at != std::string_view::npos; at = types.find(type, at + 1))
      if (type.size() == 4 && (at + 4 == types.size() || types[at + 4] == ' ')) {
        Module module;
        module.type = type;
        module.relays = row.relays;
        module.firstRelay = row.first;
        module.lowestChannel = row.low;
        module.highestChannel = row.high;
        return module;
      }
  }
  return std::nullopt;
}

std::vector<std::string> OspFrame::Places() const {
  std::vector<std::string> places;
  if (model_ == "osp120" || model_ == "osp130") {
    for (int n = 11; n <= 13; ++n) places.push_back(Place('A', n));
  } else if (model_ == "osp320") {
    for (int n = 1; n <= 10; ++n) places.push_back(Place('M', n));
  } else {
    for (int n : {1, 2, 3, 6, 7, 8})
      if (model_ == "osp220" || n != 8) places.push_back(Place('M', n));
  }
  return places;
}

std::string OspFrame::Configure(const std::string& key, const std::string& value) {
  if (key == "model") {
    if (value != "osp120" && value != "osp130" && value != "osp220" && value != "osp230" && value != "osp320")
      return "model needs osp120, osp130, osp220, osp230 or osp320, not '" + value + "'";
    model_ = value;
    modules_.clear();
    return "";
  }
  if (key == "frame") {
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), frame_);
    if (error != std::errc() || end != value.data() + value.size() || frame_ < 0 || frame_ > 99)
      return "frame needs 0 to 99, not '" + value + "'";
    return "";
  }
  if (key == "idn") {
    std::string error;
    identity_ = UnescapeText(value, &error);
    return error;
  }
  if (key.starts_with("module-")) {
    const std::string place = Upper(key.substr(7));
    const std::vector<std::string> places = Places();
    if (std::find(places.begin(), places.end(), place) == places.end())
      return "the " + model_ + " frame has no module place " + place;
    if (value == "none") {
      modules_.erase(place);
      return "";
    }
    std::optional<Module> module = ModuleOfType(Upper(value));
    if (!module) return "unknown module type '" + value + "' (B101 … B136)";
    modules_[place] = *module;
    return "";
  }
  return "unknown key '" + key + "' for family osp";
}

// "(@F01M06(0301))": frame, place, relay and channel.
bool OspFrame::Close(std::string_view list) {
  const std::string text = Trimmed(list);
  int frame = 0, relay = 0, channel = 0;
  if (text.size() != 15 || !text.starts_with("(@F") || text[8] != '(' || text.substr(13) != "))" ||
      !TwoDigits(std::string_view(text).substr(3, 2), &frame) || !TwoDigits(std::string_view(text).substr(9, 2), &relay) ||
      !TwoDigits(std::string_view(text).substr(11, 2), &channel))
    return false;
  const std::string place = text.substr(5, 3);
  const auto found = modules_.find(place);
  if (frame != frame_ || found == modules_.end()) return false;
  Module& module = found->second;
  if (relay < module.firstRelay || relay >= module.firstRelay + module.relays || channel < module.lowestChannel ||
      channel > module.highestChannel)
    return false;
  module.channels[relay] = channel;
  closed_.push_back(text.substr(5, 9));
  return true;
}

std::optional<std::string> OspFrame::Handle(const std::string& raw) {
  const std::string command = Trimmed(raw);
  if (command == "*IDN?") return identity_.value_or("SWMSIM," + Upper(model_) + ",0,1.0");
  if (command == "*CLS") {
    errors_.clear();
    return std::nullopt;
  }
  if (command == "SYST:ERR?" || command == "SYSTEM:ERROR?") {
    if (errors_.empty()) return "0,\"No error\"";
    const std::string oldest = errors_.front();
    errors_.erase(errors_.begin());
    return oldest;
  }
  if (command.starts_with("ROUTE:CLOSE ") || command.starts_with("ROUT:CLOS ")) {
    if (!Close(command.substr(command.find(' ') + 1))) {
      ++rejected_;
      if (errors_.size() < 10) errors_.push_back("-222,\"Data out of range\"");
    }
    return std::nullopt;
  }
  if (errors_.size() < 10) errors_.push_back("-113,\"Undefined header\"");
  return std::nullopt;
}

int OspFrame::Channel(const std::string& place, int relay) const {
  const auto found = modules_.find(place);
  if (found == modules_.end()) return -1;
  const auto channel = found->second.channels.find(relay);
  return channel == found->second.channels.end() ? -1 : channel->second;
}

void OspFrame::Reset() {
  for (auto& [place, module] : modules_) module.channels.clear();
  closed_.clear();
  errors_.clear();
  rejected_ = 0;
}

nlohmann::json OspFrame::State() const {
  nlohmann::json modules = nlohmann::json::object();
  for (const auto& [place, module] : modules_) {
    nlohmann::json channels = nlohmann::json::object();
    for (const auto& [relay, channel] : module.channels) channels[std::to_string(relay)] = channel;
    modules[place] = {{"type", module.type}, {"closed", channels}};
  }
  return {{"model", model_}, {"frame", frame_},       {"modules", modules},
          {"closed", closed_}, {"rejected", rejected_}, {"errors", errors_}};
}

}  // namespace sim
