#pragma once
// Faults of single commands of a simulated Hubline unit, for tests of how a
// driver copes with them: a command matching a rule is answered with a
// device error instead of being carried out ("device-error", or
// "device-error-once" for the first match only), or is carried out without
// a reply ("no-reply"). Patterns are regular expressions (ECMAScript) that
// must match the whole command as received, card address included.
#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace sim {

class HublineCommandRules {
public:
  // Keys "device-error" (REGEX -> N), "device-error-once" (REGEX -> N),
  // "no-reply" (REGEX) and "clear-rules" (any value). Returns true when the
  // key is one of them; *error is set when its value is bad.
  bool Configure(const std::string& key, const std::string& value, std::string* error);

  // The device error injected for this command, if a rule says so (a
  // one-time rule is spent by it).
  std::optional<int> InjectedError(const std::string& command);
  // Whether the reply to this command is held back.
  bool Silenced(const std::string& command);
  nlohmann::json State() const;

private:
  struct Rule {
    std::string pattern;
    std::regex regex;
    std::optional<int> error;  // nothing for a no-reply rule
    bool once = false;
    size_t hits = 0;
  };
  std::string Add(const std::string& pattern, std::optional<int> error, bool once);

  std::vector<Rule> rules_;
};

}  // namespace sim
