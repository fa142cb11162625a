#include "sim/hubline/HublineCommandRules.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "sim/core/ScriptedAnswers.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {
// Regular expressions recurse per character; longer commands never match a rule.
constexpr size_t kLongestSubject = 4096;
}  // namespace

bool HublineCommandRules::Configure(const std::string& key, const std::string& value,
                                    std::string* error) {
  if (key == "clear-rules") {
    rules_.clear();
    return true;
  }
  if (key == "no-reply") {
    const std::string_view pattern = TrimCommand(value);
    *error = pattern.empty() ? "no-reply needs a regular expression" : Add(std::string(pattern), std::nullopt, false);
    return true;
  }
  if (key != "device-error" && key != "device-error-once") return false;
  const size_t arrow = value.rfind("->");
  const std::string_view pattern =
      arrow == std::string::npos ? std::string_view() : TrimCommand(std::string_view(value).substr(0, arrow));
  const std::string_view number =
      arrow == std::string::npos ? std::string_view() : TrimCommand(std::string_view(value).substr(arrow + 2));
  int code = 0;
  const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), code);
  if (pattern.empty() || number.empty() || failure != std::errc() ||
      end != number.data() + number.size() || code == 0) {
    *error = key + " needs REGEX -> N with a non-zero error number, not '" + value + "'";
    return true;
  }
  *error = Add(std::string(pattern), code, key == "device-error-once");
  return true;
}

std::string HublineCommandRules::Add(const std::string& pattern, std::optional<int> error, bool once) {
  Rule rule;
  try {
    rule.regex = std::regex(pattern, std::regex::ECMAScript);
  } catch (const std::regex_error& failure) {
    return "bad regular expression '" + pattern + "': " + failure.what();
  }
  rule.pattern = pattern;
  rule.error = error;
  rule.once = once;
  rules_.push_back(std::move(rule));
  return "";
}

std::optional<int> HublineCommandRules::InjectedError(const std::string& command) {
  if (command.size() > kLongestSubject) return std::nullopt;
  for (Rule& rule : rules_) {
    if (!rule.error || (rule.once && rule.hits > 0)) continue;
    if (!std::regex_match(command, rule.regex)) continue;
    ++rule.hits;
    return rule.error;
  }
  return std::nullopt;
}

bool HublineCommandRules::Silenced(const std::string& command) {
  if (command.size() > kLongestSubject) return false;
  for (Rule& rule : rules_) {
    if (rule.error || !std::regex_match(command, rule.regex)) continue;
    ++rule.hits;
    return true;
  }
  return false;
}

nlohmann::json HublineCommandRules::State() const {
  nlohmann::json list = nlohmann::json::array();
  for (const Rule& rule : rules_) {
    nlohmann::json item = {{"pattern", BytesToUtf8(rule.pattern)}, {"hits", rule.hits}};
    if (rule.error) {
      item["error"] = *rule.error;
      item["once"] = rule.once;
    } else {
      item["no_reply"] = true;
    }
    list.push_back(std::move(item));
  }
  return list;
}

}  // namespace sim
