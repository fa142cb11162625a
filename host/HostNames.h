#pragma once
// The names a host script uses besides driver names: the commands, the host
// events and requests, and the nearest of a list to a mistyped word.
#include <ostream>
#include <string>
#include <vector>

// Every command of a host script and the prompt, in the order `help` shows them.
const std::vector<std::string>& CommandNames();
std::vector<std::string> EventNames();
std::vector<std::string> RequestNames();

// The name of `names` closest to `word` (ignoring case), or empty when none is
// close enough to be what was meant.
std::string NearestName(const std::string& word, const std::vector<std::string>& names);

// "did you mean X? " for the nearest name, else empty.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& names);

// Every event (number, name, what its value is) and request, one a line.
void ListEventsAndRequests(std::ostream& out);
