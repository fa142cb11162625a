#pragma once
// The nearest of a list of names to a mistyped word, for "did you mean"
// hints of swmhost and of the simulator's control requests.
#include <string>
#include <vector>

namespace sim {

// The name of `names` closest to `word` (ignoring case), or empty when none is
// close enough to be what was meant. A word that starts a name, or that is
// the start of a name with a typo in it, counts as close.
std::string NearestName(const std::string& word, const std::vector<std::string>& names);

// "did you mean X? " for the nearest name, else empty.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& names);

}  // namespace sim
