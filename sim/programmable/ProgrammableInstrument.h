#pragma once
// A user-programmable instrument for drivers whose commands the user types:
// it takes any command, answers only what its script says, and remembers
// values it is sent so that later answers and tests can use them.
//
// Script keys: the scripted answers of ScriptedAnswers ("answer",
// "answer-re", "accept", "accept-re"), "remember-re" (REGEX -> NAME: a
// matching command stores its first group, or the whole command, under
// NAME), "default-answer" (the answer to every command the script does not
// know; without it such commands get no answer) and "clear-answers" (forgets
// the whole script). In answers, "${NAME}" stands for a remembered value.
// Empty commands (a terminator alone) are ignored.
#include <cstddef>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"
#include "sim/core/ScriptedAnswers.h"

namespace sim {

class ProgrammableInstrument : public InstrumentFamily {
public:
  std::string_view Name() const override { return "programmable"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  // Forgets the remembered values and the counts; the script stays.
  void Reset() override;
  nlohmann::json State() const override;

  // A remembered value, or nothing.
  std::optional<std::string> Value(const std::string& name) const;
  const std::map<std::string, std::string>& Values() const { return values_; }
  // How many commands the script did not know, and the last of them as received.
  size_t UnscriptedCount() const { return unscripted_; }
  const std::string& LastUnscripted() const { return lastUnscripted_; }

private:
  struct Memory {
    std::string pattern;
    std::regex regex;
    std::string name;
    size_t hits = 0;
  };
  std::string AddMemory(const std::string& value);
  // ${NAME} replaced by the remembered values; unknown names stay.
  std::string Expand(const std::string& answer) const;

  ScriptedAnswers scripts_;
  std::vector<Memory> memories_;
  std::optional<std::string> defaultAnswer_;
  std::map<std::string, std::string> values_;
  size_t unscripted_ = 0;
  std::string lastUnscripted_;
};

}  // namespace sim
