#pragma once
// Named numbers inserted into user commands: a placeholder such as
// "__freqMHz__" is replaced by value × scale, written in fixed notation with
// the fewest decimals (0 to 7) that give the same number as 7 decimals.
#include <string>
#include <vector>

struct Placeholder {
  std::string name;
  double value = 0.0;
  double scale = 1.0;

  std::string Text() const;
};

using PlaceholderList = std::vector<Placeholder>;

// "%.7f" without trailing zeros and without a trailing point ("1000", "2.5");
// a value that rounds to zero is "0".
std::string FormatPlaceholderNumber(double value);

// Replaces, entry by entry in list order, every occurrence of the entry's
// name by its text. Replaced text is not searched again by the same entry;
// an entry with an empty name replaces nothing.
std::string SubstitutePlaceholders(const std::string& command, const PlaceholderList& list);
