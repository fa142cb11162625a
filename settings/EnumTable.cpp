#include "settings/EnumTable.h"

#include <algorithm>

#include "settings/EnumExpression.h"

namespace {
constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool IsName(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

bool IsBound(std::string_view name) { return name.starts_with("MIN_") || name.starts_with("MAX_"); }
}  // namespace

EnumTable::EnumTable(std::string_view declaration) {
  std::string_view body = declaration;
  if (const size_t open = body.find('{'); open != std::string_view::npos) body.remove_prefix(open + 1);
  if (const size_t close = body.find('}'); close != std::string_view::npos) body = body.substr(0, close);

  const EnumNameLookup lookup = [this](std::string_view name) { return ValueOf(name); };
  while (!body.empty()) {
    const size_t comma = body.find(',');
    const std::string_view piece = Trim(body.substr(0, comma));
    body = comma == std::string_view::npos ? std::string_view() : body.substr(comma + 1);
    if (piece.empty()) continue;

    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      if (!IsName(piece)) continue;
      const int64_t next = entries_.empty()
                               ? 0
                               : static_cast<int64_t>(static_cast<uint64_t>(entries_.back().second) + 1);
      Enter(std::string(piece), next);
      continue;
    }
    const std::string_view name = Trim(piece.substr(0, equals));
    if (!IsName(name)) continue;
    if (const auto value = EvaluateEnumExpression(piece.substr(equals + 1), lookup))
      Enter(std::string(name), *value);
  }
}

void EnumTable::Enter(std::string name, int64_t value) {
  largest_ = entries_.empty() ? value : std::max(largest_, value);
  values_.try_emplace(name, value);
  const auto [it, added] = names_.try_emplace(value, name);
  if (!added && IsBound(it->second) && !IsBound(name)) it->second = name;
  entries_.emplace_back(std::move(name), value);
}

std::string_view EnumTable::NameOf(int64_t value) const {
  const auto it = names_.find(value);
  return it == names_.end() ? kUndefined : std::string_view(it->second);
}

std::optional<int64_t> EnumTable::ValueOf(std::string_view name) const {
  const auto it = values_.find(std::string(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}
