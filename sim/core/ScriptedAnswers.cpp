#include "sim/core/ScriptedAnswers.h"

#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {
namespace {
// Regular expressions recurse per character; longer commands are matched exactly only.
constexpr size_t kLongestRegexSubject = 4096;
}  // namespace

std::string_view TrimCommand(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool ScriptedAnswers::Configure(const std::string& key, const std::string& value,
                                std::string* error) {
  if (key == "clear-answers") {
    Clear();
    return true;
  }
  const bool answers = key == "answer" || key == "answer-re";
  const bool accepts = key == "accept" || key == "accept-re";
  if (!answers && !accepts) return false;
  const bool isRegex = key.ends_with("-re");
  std::string pattern = value;
  std::optional<std::string> answer;
  if (answers) {
    const size_t arrow = value.find("->");
    if (arrow == std::string::npos) {
      *error = "'" + key + "' needs COMMAND -> ANSWER";
      return true;
    }
    pattern = value.substr(0, arrow);
    std::string answerText(TrimCommand(value.substr(arrow + 2)));
    answer = UnescapeText(answerText, error);
    if (!answer) return true;
  }
  pattern = std::string(TrimCommand(pattern));
  if (pattern.empty()) {
    *error = "'" + key + "' has an empty command";
    return true;
  }
  *error = Add(std::move(pattern), isRegex, std::move(answer));
  return true;
}

std::string ScriptedAnswers::Add(std::string pattern, bool isRegex,
                                 std::optional<std::string> answer) {
  Entry entry;
  entry.isRegex = isRegex;
  entry.answer = std::move(answer);
  if (isRegex) {
    try {
      entry.regex = std::regex(pattern, std::regex::ECMAScript);
    } catch (const std::regex_error& failure) {
      return "bad regular expression '" + pattern + "': " + failure.what();
    }
  }
  entry.pattern = std::move(pattern);
  entries_.push_back(std::move(entry));
  return "";
}

ScriptedAnswers::Match ScriptedAnswers::Find(std::string_view command) {
  const std::string subject(TrimCommand(command));
  for (Entry& entry : entries_) {
    if (!entry.isRegex) {
      if (subject != entry.pattern) continue;
      ++entry.hits;
      return {true, entry.answer};
    }
    if (subject.size() > kLongestRegexSubject) continue;
    std::smatch match;
    if (!std::regex_match(subject, match, entry.regex)) continue;
    ++entry.hits;
    if (!entry.answer) return {true, std::nullopt};
    return {true, match.format(*entry.answer)};
  }
  return {};
}

nlohmann::json ScriptedAnswers::State() const {
  nlohmann::json list = nlohmann::json::array();
  for (const Entry& entry : entries_) {
    nlohmann::json item = {{"command", BytesToUtf8(entry.pattern)},
                           {"regex", entry.isRegex},
                           {"hits", entry.hits}};
    item["answer"] = entry.answer ? nlohmann::json(BytesToUtf8(*entry.answer)) : nlohmann::json();
    list.push_back(std::move(item));
  }
  return list;
}

}  // namespace sim
