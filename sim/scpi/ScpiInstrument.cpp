#include "sim/scpi/ScpiInstrument.h"

#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"
#include "sim/scpi/ScpiHeader.h"

namespace sim {
namespace {

// The ';'-separated parts of a command line; a ';' inside quotes stays.
std::vector<std::string_view> SplitUnits(std::string_view line) {
  std::vector<std::string_view> units;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      units.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  units.push_back(line.substr(start));
  return units;
}

bool ParseInt(std::string_view text, long* value) {
  text = TrimCommand(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool IsHeader(std::string_view header, const char* common) {
  if (header.size() != std::char_traits<char>::length(common)) return false;
  for (size_t i = 0; i < header.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(header[i])) != common[i]) return false;
  return true;
}

}  // namespace

std::string ScpiInstrument::Configure(const std::string& key, const std::string& value) {
  std::string error;
  if (scripts_.Configure(key, value, &error)) return error;
  if (key == "idn") {
    std::optional<std::string> identity = UnescapeText(value, &error);
    if (!identity) return error;
    identity_ = *identity;
    return "";
  }
  if (key == "error-queue") {
    long size = 0;
    if (!ParseInt(value, &size) || size < 1 || size > 1000)
      return "error-queue needs a size from 1 to 1000, not '" + value + "'";
    status_.SetErrorQueueSize(static_cast<size_t>(size));
    return "";
  }
  if (key == "push-error") {
    // CODE,"TEXT" as SYST:ERR? gives it, or CODE TEXT.
    const std::string_view text = TrimCommand(value);
    const size_t split = text.find_first_of(", ");
    long code = 0;
    if (!ParseInt(text.substr(0, split), &code) || code == 0)
      return "push-error needs CODE,\"TEXT\" with a non-zero code, not '" + value + "'";
    std::string_view message = split == std::string_view::npos ? "" : text.substr(split + 1);
    message = TrimCommand(message);
    if (message.size() >= 2 && message.front() == '"' && message.back() == '"')
      message = message.substr(1, message.size() - 2);
    status_.PushError(static_cast<int>(code), std::string(message));
    return "";
  }
  if (key == "hold-operation-complete") {
    const std::string_view word = TrimCommand(value);
    const bool on = word == "yes" || word == "1" || word == "on" || word == "true";
    if (!on && word != "no" && word != "0" && word != "off" && word != "false")
      return "hold-operation-complete needs yes or no, not '" + value + "'";
    holdOperationComplete_ = on;
    // Releasing the hold completes the operation that "*OPC" waited for.
    if (!on && operationPending_) status_.SetEvent(ScpiStatus::kOperationComplete);
    if (!on) operationPending_ = false;
    return "";
  }
  return "unknown key '" + key + "' for family scpi";
}

std::optional<std::string> ScpiInstrument::Handle(const std::string& command) {
  const std::string_view line = TrimCommand(command);
  if (line.empty()) return std::nullopt;
  const ScriptedAnswers::Match whole = scripts_.Find(line);
  if (whole.matched) return whole.answer;
  std::vector<std::string> answers;
  for (std::string_view unit : SplitUnits(line)) {
    unit = TrimCommand(unit);
    if (unit.empty()) continue;
    const ScriptedAnswers::Match scripted = scripts_.Find(unit);
    if (scripted.matched) {
      if (scripted.answer) answers.push_back(*scripted.answer);
      continue;
    }
    HandleUnit(unit, answers);
  }
  if (answers.empty()) return std::nullopt;
  std::string joined = answers[0];
  for (size_t i = 1; i < answers.size(); ++i) joined += ";" + answers[i];
  return joined;
}

void ScpiInstrument::HandleUnit(std::string_view unit, std::vector<std::string>& answers) {
  const size_t space = unit.find_first_of(" \t");
  const std::string_view header = unit.substr(0, space);
  const std::string_view parameters =
      space == std::string_view::npos ? std::string_view() : TrimCommand(unit.substr(space));
  if (HandleCommon(header, parameters, answers)) return;
  const bool isErrorQuery = ScpiHeaderMatches("SYSTem:ERRor[:NEXT]?", header);
  const bool isCountQuery = ScpiHeaderMatches("SYSTem:ERRor:COUNt?", header);
  const bool isVersionQuery = ScpiHeaderMatches("SYSTem:VERSion?", header);
  if (!isErrorQuery && !isCountQuery && !isVersionQuery) {
    status_.PushError(-113, "Undefined header");
    return;
  }
  if (!parameters.empty()) {
    status_.PushError(-108, "Parameter not allowed");
    return;
  }
  if (isErrorQuery) answers.push_back(status_.PopError());
  if (isCountQuery) answers.push_back(std::to_string(status_.ErrorCount()));
  if (isVersionQuery) answers.push_back("1999.0");
}

bool ScpiInstrument::HandleCommon(std::string_view header, std::string_view parameters,
                                  std::vector<std::string>& answers) {
  if (!header.starts_with('*')) return false;
  const bool setsRegister = IsHeader(header, "*ESE") || IsHeader(header, "*SRE");
  if (!parameters.empty() && !setsRegister) {
    status_.PushError(-108, "Parameter not allowed");
    return true;
  }
  if (IsHeader(header, "*IDN?")) {
    answers.push_back(identity_);
  } else if (IsHeader(header, "*OPC?")) {
    answers.push_back("1");
  } else if (IsHeader(header, "*OPC")) {
    if (holdOperationComplete_)
      operationPending_ = true;
    else
      status_.SetEvent(ScpiStatus::kOperationComplete);
  } else if (IsHeader(header, "*STB?")) {
    uint8_t value = status_.StatusByte();
    if (value & status_.ServiceRequestEnable()) value |= ScpiStatus::kMasterSummary;
    answers.push_back(std::to_string(value));
  } else if (IsHeader(header, "*ESR?")) {
    answers.push_back(std::to_string(status_.TakeEventStatus()));
  } else if (IsHeader(header, "*ESE?")) {
    answers.push_back(std::to_string(status_.EventEnable()));
  } else if (IsHeader(header, "*SRE?")) {
    answers.push_back(std::to_string(status_.ServiceRequestEnable()));
  } else if (IsHeader(header, "*ESE")) {
    if (auto value = RegisterValue(parameters)) status_.SetEventEnable(*value);
  } else if (IsHeader(header, "*SRE")) {
    if (auto value = RegisterValue(parameters)) status_.SetServiceRequestEnable(*value);
  } else if (IsHeader(header, "*CLS")) {
    status_.Clear();
  } else if (IsHeader(header, "*RST")) {
    ++resets_;
  } else if (IsHeader(header, "*TST?")) {
    answers.push_back("0");
  } else if (IsHeader(header, "*TRG")) {
    ++triggers_;
  } else if (!IsHeader(header, "*WAI")) {
    status_.PushError(-113, "Undefined header");
  }
  return true;
}

std::optional<uint8_t> ScpiInstrument::RegisterValue(std::string_view parameters) {
  if (parameters.empty()) {
    status_.PushError(-109, "Missing parameter");
    return std::nullopt;
  }
  long value = 0;
  if (!ParseInt(parameters, &value)) {
    status_.PushError(-104, "Data type error");
    return std::nullopt;
  }
  if (value < 0 || value > 255) {
    status_.PushError(-222, "Data out of range");
    return std::nullopt;
  }
  return static_cast<uint8_t>(value);
}

void ScpiInstrument::Reset() {
  status_.PowerOn();
  operationPending_ = false;
  resets_ = 0;
  triggers_ = 0;
}

nlohmann::json ScpiInstrument::State() const {
  nlohmann::json errors = nlohmann::json::array();
  for (const auto& [code, text] : status_.Errors())
    errors.push_back(std::to_string(code) + ",\"" + BytesToUtf8(text) + "\"");
  return {{"idn", BytesToUtf8(identity_)},
          {"stb", status_.StatusByte()},
          {"esr", status_.EventStatus()},
          {"ese", status_.EventEnable()},
          {"sre", status_.ServiceRequestEnable()},
          {"errors", errors},
          {"error_queue_size", status_.ErrorQueueSize()},
          {"resets", resets_},
          {"triggers", triggers_},
          {"hold_operation_complete", holdOperationComplete_},
          {"operation_pending", operationPending_},
          {"answers", scripts_.State()}};
}

}  // namespace sim
