#include "sim/programmable/ProgrammableInstrument.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {
namespace {

// Regular expressions recurse per character; longer commands are not remembered.
constexpr size_t kLongestSubject = 4096;

bool ValidName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
  return true;
}

}  // namespace

std::string ProgrammableInstrument::Configure(const std::string& key, const std::string& value) {
  std::string error;
  if (key == "clear-answers") {
    scripts_.Clear();
    memories_.clear();
    defaultAnswer_.reset();
    return "";
  }
  if (scripts_.Configure(key, value, &error)) return error;
  if (key == "remember-re") return AddMemory(value);
  if (key == "default-answer") {
    std::optional<std::string> answer = UnescapeText(value, &error);
    if (answer) defaultAnswer_ = std::move(answer);
    return error;
  }
  return "unknown key '" + key + "' for family programmable";
}

std::string ProgrammableInstrument::AddMemory(const std::string& value) {
  const size_t arrow = value.rfind("->");
  const std::string pattern(arrow == std::string::npos ? "" : TrimCommand(value.substr(0, arrow)));
  const std::string name(arrow == std::string::npos ? "" : TrimCommand(value.substr(arrow + 2)));
  if (pattern.empty() || !ValidName(name))
    return "remember-re needs REGEX -> NAME (letters, digits, '_', '-', '.'), not '" + value + "'";
  Memory memory;
  try {
    memory.regex = std::regex(pattern, std::regex::ECMAScript);
  } catch (const std::regex_error& failure) {
    return "bad regular expression '" + pattern + "': " + failure.what();
  }
  memory.pattern = pattern;
  memory.name = name;
  memories_.push_back(std::move(memory));
  return "";
}

std::optional<std::string> ProgrammableInstrument::Handle(const std::string& command) {
  const std::string subject(TrimCommand(command));
  if (subject.empty()) return std::nullopt;
  if (subject.size() <= kLongestSubject) {
    for (Memory& memory : memories_) {
      std::smatch match;
      if (!std::regex_match(subject, match, memory.regex)) continue;
      ++memory.hits;
      values_[memory.name] = match.size() > 1 ? match[1].str() : match[0].str();
    }
  }
  const ScriptedAnswers::Match scripted = scripts_.Find(subject);
  if (scripted.matched) {
    if (!scripted.answer) return std::nullopt;
    return Expand(*scripted.answer);
  }
  ++unscripted_;
  lastUnscripted_ = command;
  if (!defaultAnswer_) return std::nullopt;
  return Expand(*defaultAnswer_);
}

std::string ProgrammableInstrument::Expand(const std::string& answer) const {
  std::string expanded;
  size_t position = 0;
  for (;;) {
    const size_t open = answer.find("${", position);
    const size_t close = open == std::string::npos ? open : answer.find('}', open + 2);
    if (close == std::string::npos) break;
    const auto value = values_.find(answer.substr(open + 2, close - open - 2));
    expanded.append(answer, position, open - position);
    expanded += value == values_.end() ? answer.substr(open, close - open + 1) : value->second;
    position = close + 1;
  }
  expanded.append(answer, position);
  return expanded;
}

void ProgrammableInstrument::Reset() {
  values_.clear();
  unscripted_ = 0;
  lastUnscripted_.clear();
}

std::optional<std::string> ProgrammableInstrument::Value(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

nlohmann::json ProgrammableInstrument::State() const {
  nlohmann::json values = nlohmann::json::object();
  for (const auto& [name, value] : values_) values[name] = BytesToUtf8(value);
  nlohmann::json memories = nlohmann::json::array();
  for (const Memory& memory : memories_)
    memories.push_back({{"pattern", BytesToUtf8(memory.pattern)}, {"name", memory.name}, {"hits", memory.hits}});
  return {{"values", values},
          {"answers", scripts_.State()},
          {"remember", memories},
          {"default_answer", defaultAnswer_ ? nlohmann::json(BytesToUtf8(*defaultAnswer_)) : nlohmann::json()},
          {"unscripted_commands", unscripted_},
          {"last_unscripted", BytesToUtf8(lastUnscripted_)}};
}

}  // namespace sim
