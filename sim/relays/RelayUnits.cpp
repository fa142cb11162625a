#include "sim/relays/RelayUnits.h"

#include <cctype>
#include <nlohmann/json.hpp>
#include <regex>

#include "sim/core/WireText.h"

namespace sim {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Reads the decimal number at position; false when there is none.
bool Number(const std::string& text, size_t& position, int& value) {
  const size_t begin = position;
  value = 0;
  while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])) &&
         position - begin < 4)
    value = value * 10 + (text[position++] - '0');
  return position > begin;
}

}  // namespace

std::string RelayUnit::Configure(const std::string& key, const std::string&) {
  return "unknown key '" + key + "' for family " + name_;
}

void RelayUnit::Reset() {
  std::fill(positions_.begin(), positions_.end(), 0);
  accepted_.clear();
  rejected_ = 0;
}

nlohmann::json RelayUnit::State() const {
  nlohmann::json accepted = nlohmann::json::array();
  for (const std::string& command : accepted_) accepted.push_back(BytesToUtf8(command));
  return {{"positions", positions_}, {"accepted", accepted}, {"rejected", rejected_}};
}

bool RelayUnit::SetPosition(int number, int position, int highest) {
  if (number < 1 || number > static_cast<int>(positions_.size()) || position < 0 || position > highest) return false;
  positions_[number - 1] = position;
  return true;
}

std::optional<std::string> ToyoUnit::Handle(const std::string& received) {
  const std::string command = Trimmed(received);
  if (command.empty()) return std::nullopt;
  // Check the whole command before switching anything, as the unit parses it first.
  std::vector<std::pair<int, int>> steps;
  for (size_t at = 0; at < command.size();) {
    const char verb = command[at++];
    int number = 0;
    if ((verb != 'S' && verb != 'R') || !Number(command, at, number) || number < 1 || number > 10) {
      Reject();
      return std::nullopt;
    }
    steps.emplace_back(number, verb == 'S' ? 1 : 0);
  }
  for (const auto& [number, closed] : steps) SetPosition(number, closed, 1);
  Accept(command);
  return std::nullopt;
}

std::optional<std::string> Sc1000Controller::Handle(const std::string& received) {
  const std::string command = Trimmed(received);
  if (command.empty()) return std::nullopt;
  static const std::regex pattern("^SW([1-7])-([1-4])$");
  std::smatch match;
  if (command == "P1" || command == "R") {
    Accept(command);
  } else if (std::regex_match(command, match, pattern)) {
    SetPosition(std::stoi(match[1].str()), std::stoi(match[2].str()), 4);
    Accept(command);
  } else {
    Reject();
  }
  return std::nullopt;
}

std::optional<std::string> KreBox::Handle(const std::string& received) {
  const std::string command = Trimmed(received);
  if (command.empty()) return std::nullopt;
  std::vector<std::pair<int, int>> steps;
  for (size_t at = 0; at < command.size();) {
    int number = 0, position = 0;
    if (command[at++] != 'R' || !Number(command, at, number) || at >= command.size() || command[at++] != 'P' ||
        !Number(command, at, position) || number < 1 || number > 9 || position > 6) {
      Reject();
      return std::nullopt;
    }
    steps.emplace_back(number, position);
  }
  for (const auto& [number, position] : steps) SetPosition(number, position, 6);
  Accept(command);
  return std::nullopt;
}

std::optional<std::string> DenkoviBoard::Handle(const std::string& received) {
  std::string answer;
  bool answered = false;
  // One read may hold several commands, each ending in "//".
  size_t from = 0;
  for (size_t end = received.find("//"); end != std::string::npos; end = received.find("//", from)) {
    const std::string command = received.substr(from, end - from);
    from = end + 2;
    if (command == "ask") {
      uint8_t low = 0, high = 0;
      for (int n = 1; n <= 16; ++n)
        if (Position(n)) (n <= 8 ? low : high) |= static_cast<uint8_t>(1u << ((n - 1) % 8));
      answer += static_cast<char>(low);
      answer += static_cast<char>(high);
      answered = true;
      Accept(command + "//");
      continue;
    }
    if (command.size() == 3 && std::isdigit(static_cast<unsigned char>(command[0])) &&
        std::isdigit(static_cast<unsigned char>(command[1])) && (command[2] == '+' || command[2] == '-') &&
        SetPosition((command[0] - '0') * 10 + (command[1] - '0'), command[2] == '+' ? 1 : 0, 1)) {
      Accept(command + "//");
      continue;
    }
    Reject();
  }
  if (from < received.size()) Reject();
  if (!answered) return std::nullopt;
  return answer;
}

}  // namespace sim
