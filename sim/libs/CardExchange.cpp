#include "sim/libs/CardExchange.h"

#include <sstream>

#include "sim/libs/BusClient.h"

namespace simlib {
namespace {
constexpr int kWaitMs = 5000;
}

std::optional<std::string> CardExchange(const std::string& resource, const std::string& command) {
  BusAnswer answer;
  const std::string payload = command + "\n";
  if (!BusRequest("write " + resource + " " + std::to_string(payload.size()), payload, false, kWaitMs, &answer) ||
      !answer.Ok())
    return std::nullopt;
  if (!BusRequest("read " + resource + " 4096 " + std::to_string(kWaitMs), "", true, kWaitMs + 1000, &answer) ||
      !answer.Ok())
    return std::nullopt;
  std::string line = answer.payload;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

std::vector<std::string> CardResources(const std::string& prefix) {
  BusAnswer answer;
  std::vector<std::string> found;
  if (!BusRequest("list", "", false, kWaitMs, &answer) || !answer.Ok()) return found;
  std::istringstream words(answer.line);
  std::string word;
  words >> word;  // "ok"
  while (words >> word)
    if (word.starts_with(prefix)) found.push_back(word);
  return found;
}

}  // namespace simlib
