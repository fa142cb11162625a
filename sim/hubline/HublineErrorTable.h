#pragma once
// The device errors of a simulated Hubline unit: their numbers, the form of
// the error reply on the wire, and the descriptions the unit gives for
// "EXTRAINFO ERROR n".
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace sim {

class HublineErrorTable {
public:
  // Errors of the unit's own command handling.
  static constexpr int kUnknownCommand = 100;
  static constexpr int kNoCard = 101;
  static constexpr int kNoSuchRelay = 102;
  static constexpr int kNoBox = 103;
  static constexpr int kOutOfRange = 222;

  // How an error reply looks: "ERROR n", ":En" or ":SYST:ERR n".
  enum class Format { kError, kColonE, kSystErr };

  HublineErrorTable();

  // Keys "error-format" (error, e, syst) and "error-text" (N -> TEXT).
  // Returns true when the key is one of them; *error is set when its value is bad.
  bool Configure(const std::string& key, const std::string& value, std::string* error);

  // The reply for error n. A range error of a command is reported as
  // -222, "Data out of range" whatever the format; rangeForm says whether
  // this is such an error.
  std::string Reply(int code, bool rangeForm) const;
  // The description of error n ("Undefined error" when there is none).
  std::string Description(int code) const;
  nlohmann::json State() const;

private:
  Format format_ = Format::kError;
  std::map<int, std::string> texts_;
};

}  // namespace sim
