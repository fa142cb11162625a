#pragma once
// One command and its answer line with a card on swmsim's bus, for the
// simulated relay-card libraries.
#include <optional>
#include <string>
#include <vector>

namespace simlib {

// The answer without its line end; nothing when the bus or the card does not answer.
std::optional<std::string> CardExchange(const std::string& resource, const std::string& command);
// The resources on the bus that start with the prefix (upper case), in bus order.
std::vector<std::string> CardResources(const std::string& prefix);

}  // namespace simlib
