#include "sim/osd/OsdUnit.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

namespace sim {
namespace {
constexpr int kUnknownCommand = 1, kBadArguments = 2, kOtherAddress = 3;

// The blank-separated words of a command; a double-quoted word keeps its blanks.
std::vector<std::string> Words(const std::string& command, bool* ok) {
  std::vector<std::string> words;
  *ok = true;
  size_t at = 0;
  while (at < command.size()) {
    if (command[at] == ' ') {
      ++at;
      continue;
    }
    if (command[at] == '"') {
      const size_t end = command.find('"', at + 1);
      if (end == std::string::npos) {
        *ok = false;
        return words;
      }
      words.push_back(command.substr(at, end + 1 - at));
      at = end + 1;
      continue;
    }
    const size_t end = command.find(' ', at);
    words.push_back(command.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? command.size() : end;
  }
  return words;
}

bool Number(const std::string& word, int* value) {
  char end = 0;
  return std::sscanf(word.c_str(), "%d%c", value, &end) == 1;
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}
}  // namespace

OsdUnit::OsdUnit() { ClearScreen(); }

std::string OsdUnit::Configure(const std::string& key, const std::string& value) {
  if (key == "camera") {
    if (value.empty() || value.find(' ') != std::string::npos) return "camera needs one word, not '" + value + "'";
    address_ = value;
    return "";
  }
  if (key == "error") {
    if (value == "none") {
      errors_.clear();
      return "";
    }
    const size_t arrow = value.find(" -> ");
    int number = 0;
    if (arrow == std::string::npos || !Number(value.substr(arrow + 4), &number) || number < 0 || number > 255)
      return "error needs 'PREFIX -> N' (N 0 to 255) or none, not '" + value + "'";
    errors_.emplace_back(value.substr(0, arrow), number);
    return "";
  }
  return "unknown key '" + key + "' for family osd (camera, error)";
}

std::optional<std::string> OsdUnit::Handle(const std::string& command) {
  if (command.empty()) return std::nullopt;
  for (const auto& [prefix, number] : errors_)
    if (command.starts_with(prefix)) {
      ++errorReplies_;
      return "ERR " + std::to_string(number);
    }
  const int error = Execute(command);
  if (error) ++errorReplies_;
  return error ? "ERR " + std::to_string(error) : "OK";
}

void OsdUnit::ClearScreen() {
  screen_.assign(kRows, std::vector<Cell>(kColumns));
  items_.clear();
}

void OsdUnit::Write(int x, int y, const std::string& text, int foreground, int background) {
  if (y < 0 || y >= kRows) return;
  for (size_t i = 0; i < text.size(); ++i) {
    const int column = x + static_cast<int>(i);
    if (column < 0 || column >= kColumns) continue;
    screen_[static_cast<size_t>(y)][static_cast<size_t>(column)] = {text[i], foreground, background};
  }
}

int OsdUnit::Execute(const std::string& command) {
  bool ok = false;
  const std::vector<std::string> w = Words(command, &ok);
  if (!ok || w.empty()) return kBadArguments;
  const std::string& verb = w[0];
  std::vector<int> n;
  // Numbers after the address, as far as they go.
  for (size_t i = 2; i < w.size(); ++i) {
    int value = 0;
    if (!Number(w[i], &value)) break;
    n.push_back(value);
  }
  const auto addressed = [&](size_t count) {
    if (w.size() < 2) return kBadArguments;
    if (w[1] != address_) return kOtherAddress;
    return n.size() >= count ? 0 : kBadArguments;
  };
  if (verb == "MDX:PAUSE") {
    paused_ = true;
    ++pauses_;
    return w.size() == 1 ? 0 : kBadArguments;
  }
  if (verb == "MDX:RESUMEALL") {
    int action = 0;
    if (w.size() != 2 || !Number(w[1], &action) || action < 0 || action > 3) return kBadArguments;
    paused_ = false;
    ++resumes_;
    lastResume_ = action;
    return 0;
  }
  if (verb == "MX:DATE" || verb == "MX:TIME") {
    int v[4];
    if (w.size() != 5) return kBadArguments;
    for (int i = 0; i < 4; ++i)
      if (!Number(w[static_cast<size_t>(i + 1)], &v[i])) return kBadArguments;
    if (v[0] != 250) return kBadArguments;
    if (verb == "MX:DATE") date_ = TwoDigits(v[3]) + "." + TwoDigits(v[2]) + "." + std::to_string(v[1]);
    else time_ = TwoDigits(v[1]) + ":" + TwoDigits(v[2]) + ":" + TwoDigits(v[3]);
    return 0;
  }
  if (verb == "OSD:CLR") {
    // The item (255: all) comes before the address.
    int item = 0;
    if (w.size() != 3 || !Number(w[1], &item)) return kBadArguments;
    if (w[2] != address_) return kOtherAddress;
    if (item == 255) {
      ClearScreen();
    } else if (auto found = items_.find(item); found != items_.end()) {
      Write(found->second.x, found->second.y, std::string(found->second.text.size(), ' '), 0, 0);
      items_.erase(found);
    }
    return 0;
  }
  if (verb == "OSD:COL") {
    if (const int error = addressed(3)) return error;
    Item& item = items_[n[0]];
    if (n[1] != 0) item.foreground = n[1];
    if (n[2] != 0) item.background = n[2];
    return 0;
  }
  if (verb == "OSD:FONT") {
    if (const int error = addressed(2)) return error;
    if (n[1] < 1 || n[1] > 3) return kBadArguments;
    items_[n[0]].font = n[1];
    return 0;
  }
  if (verb == "OSD:TXTABS") {
    if (const int error = addressed(3)) return error;
    if (w.size() != 6 || w[5].size() < 2 || w[5].front() != '"') return kBadArguments;
    const std::string text = w[5].substr(1, w[5].size() - 2);
    Item& item = items_[n[0]];
    Write(n[1], n[2], text, item.foreground, item.background);
    if (text.find_first_not_of(' ') != std::string::npos) {
      item.text = text;
      item.x = n[1];
      item.y = n[2];
    }
    return 0;
  }
  if (verb == "OSD:PDATE" || verb == "OSD:PTIME") {
    if (const int error = addressed(6)) return error;
    // Colour codes one below those of OSD:COL.
    Write(n[2], n[3], verb == "OSD:PDATE" ? date_ : time_, n[4] + 1, n[5] + 1);
    return 0;
  }
  return kUnknownCommand;
}

std::string OsdUnit::Row(int y) const {
  std::string row;
  if (y < 0 || y >= kRows) return row;
  for (const Cell& cell : screen_[static_cast<size_t>(y)]) row += cell.c;
  row.erase(row.find_last_not_of(' ') + 1);
  return row;
}

void OsdUnit::Reset() {
  ClearScreen();
  paused_ = false;
  pauses_ = resumes_ = errorReplies_ = 0;
  lastResume_ = -1;
  date_ = "01.01.2000";
  time_ = "00:00:00";
}

nlohmann::json OsdUnit::State() const {
  nlohmann::json rows = nlohmann::json::array();
  for (int y = 0; y < kRows; ++y) rows.push_back(Row(y));
  nlohmann::json items = nlohmann::json::object();
  for (const auto& [number, item] : items_)
    items[std::to_string(number)] = {{"text", item.text}, {"x", item.x},           {"y", item.y},
                                     {"foreground", item.foreground}, {"background", item.background},
                                     {"font", item.font}};
  return {{"camera", address_}, {"screen", rows},   {"items", items},
          {"date", date_},       {"time", time_},    {"detector_paused", paused_},
          {"pauses", pauses_},   {"resumes", resumes_}, {"error_replies", errorReplies_}};
}

}  // namespace sim
