#include "sim/scpi/ScpiHeader.h"

#include <cctype>
#include <string>
#include <vector>

namespace sim {
namespace {

struct Node {
  std::string shortForm;
  std::string longForm;
  bool optional = false;
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<Node> ParsePattern(std::string_view pattern) {
  std::vector<Node> nodes;
  bool optional = false;
  Node current;
  auto finish = [&] {
    if (!current.longForm.empty()) nodes.push_back(current);
    current = Node{};
  };
  for (char c : pattern) {
    if (c == '[') {
      finish();
      optional = true;
    } else if (c == ']') {
      current.optional = optional;
      finish();
      optional = false;
    } else if (c == ':') {
      current.optional = optional;
      finish();
    } else {
      current.longForm.push_back(c);
      if (std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)))
        current.shortForm.push_back(c);
    }
  }
  current.optional = optional;
  finish();
  return nodes;
}

std::vector<std::string_view> SplitHeader(std::string_view header) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t colon = header.find(':', start);
    parts.push_back(header.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return parts;
}

bool MatchFrom(const std::vector<Node>& nodes, size_t node,
               const std::vector<std::string_view>& parts, size_t part) {
  if (node == nodes.size()) return part == parts.size();
  if (nodes[node].optional && MatchFrom(nodes, node + 1, parts, part)) return true;
  if (part == parts.size()) return false;
  const bool same = EqualIgnoringCase(parts[part], nodes[node].longForm) ||
                    EqualIgnoringCase(parts[part], nodes[node].shortForm);
  return same && MatchFrom(nodes, node + 1, parts, part + 1);
}

}  // namespace

bool ScpiHeaderMatches(std::string_view pattern, std::string_view header) {
  const bool patternQuery = pattern.ends_with('?');
  const bool headerQuery = header.ends_with('?');
  if (patternQuery != headerQuery) return false;
  if (patternQuery) {
    pattern.remove_suffix(1);
    header.remove_suffix(1);
  }
  if (header.starts_with(':')) header.remove_prefix(1);
  if (header.empty()) return false;
  return MatchFrom(ParsePattern(pattern), 0, SplitHeader(header), 0);
}

}  // namespace sim
