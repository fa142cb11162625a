#pragma once
// The value expressions of enumeration declarations: decimal literals, names
// of earlier entries and parenthesised sub-expressions, joined by the binary
// operators | & ^ + - * / %, applied strictly left to right without
// precedence ("1 + 2 * 3" is 9). A leading sign on an operand is allowed
// ("-1"). Arithmetic wraps around in 64 bits.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

using EnumNameLookup = std::function<std::optional<int64_t>(std::string_view name)>;

// The value, or nothing for text that is not such an expression, an unknown
// name, a division by zero or nesting deeper than 64 parentheses.
std::optional<int64_t> EvaluateEnumExpression(std::string_view text, const EnumNameLookup& lookup);
