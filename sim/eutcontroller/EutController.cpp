#include "sim/eutcontroller/EutController.h"

#include <nlohmann/json.hpp>

#include "sim/core/WireText.h"

namespace sim {
namespace {
std::string WithoutLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

// "KEYWORD name=value" → the item; false when the line is not of that form.
bool ParseItem(const std::string& line, const std::string& keyword, EutController::Item* item) {
  if (!line.starts_with(keyword + " ")) return false;
  const std::string rest = line.substr(keyword.size() + 1);
  const size_t equals = rest.find('=');
  if (equals == std::string::npos) return false;
  *item = {rest.substr(0, equals), rest.substr(equals + 1)};
  return true;
}

nlohmann::json Items(const std::vector<EutController::Item>& items) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& [name, value] : items) list.push_back({BytesToUtf8(name), BytesToUtf8(value)});
  return list;
}
}  // namespace

std::string EutController::Configure(const std::string& key, const std::string& value) {
  if (key == "testinfo") {
    if (value.find('=') == std::string::npos) return "testinfo needs NAME=VALUE, not '" + value + "'";
    served_.push_back(value);
    return "";
  }
  if (key == "clear-testinfo") {
    served_.clear();
    return "";
  }
  return "unknown key '" + key + "' for family eutcontroller";
}

std::optional<std::string> EutController::Handle(const std::string& command) {
  const std::string line = WithoutLineEnds(command);
  if (line.empty()) return std::nullopt;
  lines_.push_back(line);
  if (line == "TESTINFO?") {
    std::string answer;
    for (const std::string& item : served_) answer += "TESTINFO " + item + "\n";
    return answer;  // the write terminator adds the empty line that ends the list
  }
  Item item;
  if (ParseItem(line, "EUTINFO", &item)) eutItems_.push_back(item);
  if (ParseItem(line, "TESTINFO", &item)) testItems_.push_back(item);
  return std::nullopt;
}

void EutController::Reset() {
  lines_.clear();
  eutItems_.clear();
  testItems_.clear();
}

nlohmann::json EutController::State() const {
  nlohmann::json lines = nlohmann::json::array();
  for (const std::string& line : lines_) lines.push_back(BytesToUtf8(line));
  nlohmann::json served = nlohmann::json::array();
  for (const std::string& item : served_) served.push_back(BytesToUtf8(item));
  return {{"lines", lines}, {"eutinfo", Items(eutItems_)}, {"testinfo", Items(testItems_)}, {"served", served}};
}

}  // namespace sim
