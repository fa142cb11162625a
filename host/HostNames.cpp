#include "HostNames.h"

#include <iomanip>

#include "swmatrix/events.h"

namespace {
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
      "setting", "info",   "infostring", "error",        "received", "state",   "drivers",
      "events", "help",    "quit",       "exit"};
  return names;
}

std::vector<std::string> EventNames() { return {std::begin(kSwmEventNames), std::end(kSwmEventNames)}; }
std::vector<std::string> RequestNames() { return {std::begin(kSwmRequestNames), std::end(kSwmRequestNames)}; }

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
