#pragma once
// The names a host script uses besides driver names: the commands, the host
// events and requests, and the nearest of a list to a mistyped word.
#include <ostream>
#include <string>
#include <vector>

#include "sim/core/NearestName.h"

// Every command of a host script and the prompt, in the order `help` shows them.
const std::vector<std::string>& CommandNames();
std::vector<std::string> EventNames();
std::vector<std::string> RequestNames();

using sim::DidYouMean;
using sim::NearestName;

// Every event (number, name, what its value is) and request, one a line.
void ListEventsAndRequests(std::ostream& out);
