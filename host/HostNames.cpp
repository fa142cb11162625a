#include "HostNames.h"

#include <algorithm>
#include <cctype>
#include <iomanip>

#include "swmatrix/events.h"

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

const char* ValueMeaning(char kind) {
  switch (kind) {
    case 'r': return "a real number";
    case 'i': return "a whole number (a fraction is dropped)";
    case 't': return "a text";
    default: return "no value";
  }
}

const char* kRequestAnswers[4] = {"1 closed, 0 open", "1 ok, 0 not ok", "1 ok, 0 not ok", "a text"};
}  // namespace

const std::vector<std::string>& CommandNames() {
  static const std::vector<std::string> names = {
      "create", "remove",  "registered", "unregistered", "check",   "init",     "deinit",
      "dialog", "load",    "save",       "version",      "frequency", "event",  "request",
      "setting", "info",   "infostring", "error",        "drivers", "events",   "help",
      "quit",   "exit"};
  return names;
}

std::vector<std::string> EventNames() { return {std::begin(kSwmEventNames), std::end(kSwmEventNames)}; }
std::vector<std::string> RequestNames() { return {std::begin(kSwmRequestNames), std::end(kSwmRequestNames)}; }

std::string NearestName(const std::string& word, const std::vector<std::string>& names) {
  const std::string wanted = Lower(word);
  std::string best;
  size_t bestDistance = std::max<size_t>(2, wanted.size() / 3) + 1;
  for (const std::string& name : names) {
    const std::string candidate = Lower(name);
    // A word that starts a name (or that a name starts) is as good as one typo.
    const bool prefix = !wanted.empty() && (candidate.rfind(wanted, 0) == 0 || wanted.rfind(candidate, 0) == 0);
    const size_t distance = prefix ? 1 : EditDistance(wanted, candidate);
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

void ListEventsAndRequests(std::ostream& out) {
  out << "events (event NAME EVENT [VALUE]):\n";
  for (size_t i = 0; i < std::size(kSwmEventNames); ++i)
    out << std::setw(4) << i + 1 << "  " << std::left << std::setw(40) << kSwmEventNames[i] << std::right
        << ValueMeaning(kSwmEventValueKinds[i]) << "\n";
  out << "requests (request NAME REQUEST), with their answers:\n";
  for (size_t i = 0; i < std::size(kSwmRequestNames); ++i)
    out << std::setw(4) << i + 1 << "  " << std::left << std::setw(40) << kSwmRequestNames[i] << std::right
        << kRequestAnswers[i] << "\n";
}
