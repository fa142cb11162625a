#include "sim/relaycards/CardBoards.h"

#include <nlohmann/json.hpp>
#include <sstream>

namespace sim {
namespace {
std::vector<std::string> Words(const std::string& command) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool Integer(const std::string& text, long* value) {
  try {
    size_t used = 0;
    *value = std::stol(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}
}  // namespace

std::string MccBoard::Configure(const std::string& key, const std::string& value) {
  long number = 0;
  if (key == "relays") {
    if (!Integer(value, &number) || number < 1 || number > 64) return "bad relay count '" + value + "' (1 to 64)";
    relays_.assign(static_cast<size_t>(number), 0);
    return "";
  }
  if (key == "product") {
    if (value.empty() || value.find(',') != std::string::npos) return "bad product name '" + value + "'";
    product_ = value;
    return "";
  }
  if (key == "product-id") {
    if (!Integer(value, &number) || number < 0) return "bad product id '" + value + "'";
    productId_ = static_cast<unsigned long>(number);
    return "";
  }
  return "unknown key '" + key + "' for family mcc";
}

std::optional<std::string> MccBoard::Handle(const std::string& command) {
  const std::vector<std::string> words = Words(command);
  if (words.empty()) return std::nullopt;
  if (words[0] == "INFO?") return product_ + "," + std::to_string(productId_) + ",1";
  long port = 0, bit = 0, value = 0;
  if (words[0] != "DBITOUT" || words.size() != 4 || !Integer(words[1], &port) || !Integer(words[2], &bit) ||
      !Integer(words[3], &value))
    return "-1";
  if (port != 10) return "8";
  if (bit < 0 || bit >= static_cast<long>(relays_.size())) return "9";
  relays_[static_cast<size_t>(bit)] = value != 0 ? 1 : 0;
  ++writes_;
  return "0";
}

void MccBoard::Reset() {
  std::fill(relays_.begin(), relays_.end(), 0);
  writes_ = 0;
}

nlohmann::json MccBoard::State() const {
  return {{"relays", relays_}, {"product", product_}, {"product_id", productId_}, {"writes", writes_}};
}

std::string AdvantechCard::Configure(const std::string& key, const std::string& value) {
  long number = 0;
  if (key == "output") {
    if (!Integer(value, &number) || number < 0 || number > 255) return "bad output byte '" + value + "' (0 to 255)";
    output_ = static_cast<int>(number);
    return "";
  }
  return "unknown key '" + key + "' for family advantech";
}

std::optional<std::string> AdvantechCard::Handle(const std::string& command) {
  const std::vector<std::string> words = Words(command);
  long port = -1, mask = 0, state = 0;
  if (words.size() == 2 && words[0] == "DO?" && Integer(words[1], &port) && port == 0) return std::to_string(output_);
  if (words.size() == 4 && words[0] == "DO" && Integer(words[1], &port) && port == 0 && Integer(words[2], &mask) &&
      Integer(words[3], &state)) {
    output_ = static_cast<int>((output_ & ~mask) | (state & mask)) & 0xFF;
    ++writes_;
    return "0";
  }
  return "-1";
}

void AdvantechCard::Reset() {
  output_ = 0;
  writes_ = 0;
}

nlohmann::json AdvantechCard::State() const { return {{"output", output_}, {"writes", writes_}}; }

}  // namespace sim
