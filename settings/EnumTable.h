#pragma once
// The two-way table of one enumeration, built from the text of its
// declaration, e.g. "({ Data5 = 5, Data6, Data7, MAX_DATA = Data7 })":
// the text between the first "{" and the next "}" is split at ","; a piece
// "Name" takes the value of the entry before it plus one (0 for the first),
// a piece "Name = expression" the value of the expression (EnumExpression.h),
// in which earlier names may be used. Pieces that are not of these forms
// (or whose expression fails) are skipped. Several names may share a value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class EnumTable {
public:
  static constexpr std::string_view kUndefined = "undefined";

  explicit EnumTable(std::string_view declaration);

  // The name of a value: the first declared name that is not a MIN_/MAX_
  // bound, else the first one; "undefined" for a value without a name.
  std::string_view NameOf(int64_t value) const;
  std::optional<int64_t> ValueOf(std::string_view name) const;
  // Every entry in declaration order, aliases and bounds included.
  const std::vector<std::pair<std::string, int64_t>>& Entries() const { return entries_; }
  // The largest value declared (0 for an empty table).
  int64_t Largest() const { return largest_; }

private:
  void Enter(std::string name, int64_t value);

  std::vector<std::pair<std::string, int64_t>> entries_;
  std::unordered_map<std::string, int64_t> values_;
  std::unordered_map<int64_t, std::string> names_;
  int64_t largest_ = 0;
};
