// Fuzzes the simulated VISA library's reading of what clients send it: a
// resource name and a search expression (the input up to and after its first
// line feed). Neither may crash; a name that parses has a full name that
// parses to itself and to the same interface; a name matches the expression
// that is the name itself with its letters in either case, and "?*".
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "sim/libs/visa/VisaResources.h"

namespace {
bool Plain(const std::string& text) {
  for (char c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != ':' && c != '_' && c != '-') return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string name = input.substr(0, split);
  const std::string expression = split == std::string::npos ? "" : input.substr(split + 1);
  using namespace simlib::visa;

  MatchesExpression(expression, name);
  if (const auto parsed = ParseResource(name)) {
    const auto again = ParseResource(parsed->expanded);
    Check(again.has_value());
    Check(again->expanded == parsed->expanded);
    Check(again->interfaceType == parsed->interfaceType && again->interfaceNumber == parsed->interfaceNumber);
    Check(again->resourceClass == parsed->resourceClass);
  }
  if (!name.empty() && name.size() <= 255 && Plain(name)) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Check(MatchesExpression(upper, name));
    Check(MatchesExpression("?*", name));
  }
  return 0;
}
