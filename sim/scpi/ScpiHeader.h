#pragma once
// Matching of SCPI command headers against a pattern in the usual notation:
// upper case is the short form, the whole mnemonic the long form, brackets
// mark optional nodes, a trailing '?' a query ("SYSTem:ERRor[:NEXT]?").
#include <string_view>

namespace sim {

// Whether header (leading colon allowed, any case) names the pattern.
bool ScpiHeaderMatches(std::string_view pattern, std::string_view header);

}  // namespace sim
