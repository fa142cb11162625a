#include "sim/core/NearestName.h"

#include <algorithm>
#include <cctype>

namespace sim {
namespace {
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The number of single-character edits that turn one word into the other.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// How far a word is from a name: a word that starts the name (or that the
// name starts) is as good as one typo; a word of four letters or more that
// is the start of the name with typos in it is one worse than its typos
// ("Interlok" for InterlockClosed).
size_t Distance(const std::string& wanted, const std::string& candidate) {
  if (!wanted.empty() && (candidate.rfind(wanted, 0) == 0 || wanted.rfind(candidate, 0) == 0)) return 1;
  size_t distance = EditDistance(wanted, candidate);
  if (wanted.size() >= 4 && candidate.size() > wanted.size())
    for (size_t length = wanted.size() - 1; length <= wanted.size() + 1 && length <= candidate.size(); ++length)
      distance = std::min(distance, EditDistance(wanted, candidate.substr(0, length)) + 1);
  return distance;
}
}  // namespace

std::string NearestName(const std::string& word, const std::vector<std::string>& names) {
  const std::string wanted = Lower(word);
  std::string best;
  size_t bestDistance = std::max<size_t>(2, wanted.size() / 3) + 1;
  for (const std::string& name : names) {
    const size_t distance = Distance(wanted, Lower(name));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& names) {
  const std::string nearest = NearestName(word, names);
  return nearest.empty() ? "" : "did you mean " + nearest + "? ";
}

}  // namespace sim
