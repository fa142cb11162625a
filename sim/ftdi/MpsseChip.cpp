#include "sim/ftdi/MpsseChip.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/core/ScriptedAnswers.h"

namespace sim {
namespace {

bool ParseInt(std::string_view text, long min, long max, long* value) {
  text = TrimCommand(text);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty() && *value >= min &&
         *value <= max;
}

// Two numbers separated by blanks.
bool ParsePair(const std::string& value, long max, long* first, long* second) {
  std::istringstream words(value);
  std::string a, b, rest;
  return static_cast<bool>(words >> a >> b) && !(words >> rest) && ParseInt(a, 0, max, first) &&
         ParseInt(b, 0, max, second);
}

std::optional<bool> ParseYesNo(std::string_view text) {
  text = TrimCommand(text);
  if (text == "yes" || text == "1" || text == "on" || text == "true") return true;
  if (text == "no" || text == "0" || text == "off" || text == "false") return false;
  return std::nullopt;
}

// Argument bytes after the opcode of a fixed-length command; -1 when the
// opcode is not one of them.
int FixedArguments(uint8_t opcode) {
  switch (opcode) {
    case 0x81: case 0x83: case 0x84: case 0x85: case 0x87: case 0x88: case 0x89:
    case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x96: case 0x97:
      return 0;
    case 0x8E:
      return 1;
    case 0x80: case 0x82: case 0x86: case 0x8F: case 0x9C: case 0x9D: case 0x9E:
      return 2;
    default:
      return -1;
  }
}

// Whether the opcode shifts data (0x10 to 0x3F) or TMS bits (0x4A, 0x4B, 0x6A, 0x6B).
bool ShiftsData(uint8_t opcode) {
  return (opcode >= 0x10 && opcode <= 0x3F) || opcode == 0x4A || opcode == 0x4B || opcode == 0x6A || opcode == 0x6B;
}

}  // namespace

std::string MpsseChip::Configure(const std::string& key, const std::string& value) {
  long a = 0, b = 0;
  if (key == "description") {
    if (value.size() > 63) return "description has at most 63 characters";
    description_ = value;
  } else if (key == "sync") {
    const std::string_view word = TrimCommand(value);
    if (word == "echo") sync_ = Sync::kEcho;
    else if (word == "wrong") sync_ = Sync::kWrong;
    else if (word == "silent") sync_ = Sync::kSilent;
    else return "sync needs echo, wrong or silent, not '" + value + "'";
  } else if (key == "fail") {
    if (TrimCommand(value) == "none") {
      failures_.clear();
      return "";
    }
    std::istringstream words(value);
    std::string call, status;
    if (!(words >> call >> status) || !call.starts_with("FT_") || !ParseInt(status, 0, 255, &a))
      return "fail needs CALL STATUS (e.g. FT_OpenEx 2) or none, not '" + value + "'";
    if (a == 0) failures_.erase(call);
    else failures_[call] = static_cast<int>(a);
  } else if (key == "opened") {
    const std::optional<bool> opened = ParseYesNo(value);
    if (!opened) return "opened needs yes or no";
    opened_ = *opened;
  } else if (key == "bit-mode") {
    if (!ParsePair(value, 255, &a, &b)) return "bit-mode needs MASK MODE (0 to 255 each)";
    bitMask_ = static_cast<int>(a);
    bitMode_ = static_cast<int>(b);
  } else if (key == "latency") {
    if (!ParseInt(value, 0, 255, &a)) return "latency needs 0 to 255 ms";
    latencyMs_ = static_cast<int>(a);
  } else if (key == "timeouts") {
    if (!ParsePair(value, 3'600'000, &a, &b)) return "timeouts needs READ WRITE in ms";
    readTimeoutMs_ = static_cast<int>(a);
    writeTimeoutMs_ = static_cast<int>(b);
  } else {
    return "unknown key '" + key + "' for family ftdi";
  }
  return "";
}

std::optional<std::string> MpsseChip::Handle(const std::string& command) {
  pending_ += command;
  std::string answer;
  Execute(answer);
  if (answer.empty()) return std::nullopt;
  return answer;
}

void MpsseChip::Execute(std::string& answer) {
  size_t at = 0;
  for (;;) {
    if (at >= pending_.size()) break;
    const uint8_t opcode = static_cast<uint8_t>(pending_[at]);
    const size_t left = pending_.size() - at;
    auto arg = [&](size_t i) { return static_cast<uint8_t>(pending_[at + 1 + i]); };
    if (ShiftsData(opcode)) {
      const bool bits = (opcode & 0x02) != 0 || opcode >= 0x4A;
      const bool out = (opcode & 0x10) != 0 || opcode >= 0x4A;
      const bool in = (opcode & 0x20) != 0;
      const size_t lengthBytes = bits ? 1 : 2;
      if (left < 1 + lengthBytes) break;
      const size_t count = bits ? 1 : static_cast<size_t>(arg(0) | (arg(1) << 8)) + 1;
      const size_t total = 1 + lengthBytes + (out ? count : 0);
      if (left < total) break;
      // With the loop-back on, what is clocked out comes back in; else the
      // input line idles high.
      if (in) {
        if (loopback_ && out) answer.append(pending_, at + 1 + lengthBytes, count);
        else answer.append(count, '\xFF');
      }
      at += total;
      continue;
    }
    const int arguments = FixedArguments(opcode);
    if (arguments < 0) {
      badCommands_.push_back(opcode);
      if (sync_ == Sync::kEcho) answer += {'\xFA', static_cast<char>(opcode)};
      if (sync_ == Sync::kWrong) answer += {'\xFA', static_cast<char>(opcode ^ 0xFF)};
      ++at;
      continue;
    }
    if (left < 1 + static_cast<size_t>(arguments)) break;
    switch (opcode) {
      case 0x80: lowValue_ = arg(0); lowDirection_ = arg(1); break;
      case 0x82: highValue_ = arg(0); highDirection_ = arg(1); break;
      case 0x81: answer.push_back(static_cast<char>(lowValue_)); break;
      case 0x83: answer.push_back(static_cast<char>(highValue_)); break;
      case 0x84: loopback_ = true; break;
      case 0x85: loopback_ = false; break;
      case 0x86: divisor_ = arg(0) | (arg(1) << 8); break;
      case 0x8A: divideBy5_ = false; break;
      case 0x8B: divideBy5_ = true; break;
      default: break;
    }
    at += 1 + static_cast<size_t>(arguments);
  }
  pending_.erase(0, at);
}

void MpsseChip::Reset() {
  opened_ = false;
  bitMask_ = bitMode_ = 0;
  latencyMs_ = 16;
  readTimeoutMs_ = writeTimeoutMs_ = 0;
  pending_.clear();
  lowValue_ = lowDirection_ = highValue_ = highDirection_ = 0;
  loopback_ = false;
  divideBy5_ = true;
  divisor_ = 0;
  badCommands_.clear();
}

nlohmann::json MpsseChip::State() const {
  nlohmann::json failures = nlohmann::json::object();
  for (const auto& [call, status] : failures_) failures[call] = status;
  const char* sync = sync_ == Sync::kEcho ? "echo" : sync_ == Sync::kWrong ? "wrong" : "silent";
  return {{"description", description_},
          {"sync", sync},
          {"fail", failures},
          {"opened", opened_},
          {"bit_mask", bitMask_},
          {"bit_mode", bitMode_},
          {"latency_ms", latencyMs_},
          {"read_timeout_ms", readTimeoutMs_},
          {"write_timeout_ms", writeTimeoutMs_},
          {"low", {{"value", lowValue_}, {"direction", lowDirection_}}},
          {"high", {{"value", highValue_}, {"direction", highDirection_}}},
          {"loopback", loopback_},
          {"divide_by_5", divideBy5_},
          {"divisor", divisor_},
          {"bad_commands", badCommands_},
          {"pending_bytes", pending_.size()}};
}

}  // namespace sim
