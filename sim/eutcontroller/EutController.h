#pragma once
// The EUT controller program ("eutcontroller"): takes the test-progress lines
// of the EUT status reporter, keeps every non-empty line in order, keeps the
// information items it is sent ("EUTINFO name=value", "TESTINFO
// name=value"), and answers "TESTINFO?" with one "TESTINFO name=value" line
// per item it serves, followed by an empty line that ends the list.
//
// Key "testinfo" (repeatable): NAME=VALUE, an item served to "TESTINFO?"
// (written as given, blanks included); "clear-testinfo" forgets them.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class EutController : public InstrumentFamily {
public:
  using Item = std::pair<std::string, std::string>;

  std::string_view Name() const override { return "eutcontroller"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  const std::vector<std::string>& Lines() const { return lines_; }
  // Items received under EUTINFO and TESTINFO, in arrival order.
  const std::vector<Item>& EutItems() const { return eutItems_; }
  const std::vector<Item>& TestItems() const { return testItems_; }

private:
  std::vector<std::string> served_;
  std::vector<std::string> lines_;
  std::vector<Item> eutItems_;
  std::vector<Item> testItems_;
};

}  // namespace sim
