#include "settings/EnumExpression.h"

#include <limits>

namespace {
constexpr int kMaxDepth = 64;

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int64_t Wrap(uint64_t value) { return static_cast<int64_t>(value); }

std::optional<int64_t> Apply(char op, int64_t a, int64_t b) {
  const uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  switch (op) {
    case '|': return a | b;
    case '&': return a & b;
    case '^': return a ^ b;
    case '+': return Wrap(ua + ub);
    case '-': return Wrap(ua - ub);
    case '*': return Wrap(ua * ub);
    case '/':
    case '%':
      if (b == 0) return std::nullopt;
      if (a == std::numeric_limits<int64_t>::min() && b == -1) return op == '/' ? a : 0;
      return op == '/' ? a / b : a % b;
    default: return std::nullopt;
  }
}

class Evaluator {
public:
  Evaluator(std::string_view text, const EnumNameLookup& lookup) : text_(text), lookup_(lookup) {}

  std::optional<int64_t> Whole() {
    const auto value = Expression(0);
    SkipBlanks();
    if (!value || pos_ != text_.size()) return std::nullopt;
    return value;
  }

private:
  std::optional<int64_t> Expression(int depth) {
    auto value = Operand(depth);
    for (;;) {
      if (!value) return std::nullopt;
      SkipBlanks();
      if (pos_ >= text_.size()) return value;
      const char op = text_[pos_];
      if (std::string_view("|&^+-*/%").find(op) == std::string_view::npos) return value;
      ++pos_;
      const auto right = Operand(depth);
      if (!right) return std::nullopt;
      value = Apply(op, *value, *right);
    }
  }

  std::optional<int64_t> Operand(int depth) {
    bool negative = false;
    for (;;) {
      SkipBlanks();
      if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
        negative ^= text_[pos_] == '-';
        ++pos_;
      } else {
        break;
      }
    }
    const auto value = Primary(depth);
    if (!value || !negative) return value;
    return Wrap(0 - static_cast<uint64_t>(*value));
  }

  std::optional<int64_t> Primary(int depth) {
    if (pos_ >= text_.size()) return std::nullopt;
    if (text_[pos_] == '(') {
      if (depth >= kMaxDepth) return std::nullopt;
      ++pos_;
      const auto value = Expression(depth + 1);
      SkipBlanks();
      if (!value || pos_ >= text_.size() || text_[pos_] != ')') return std::nullopt;
      ++pos_;
      return value;
    }
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string_view token = text_.substr(start, pos_ - start);
    if (token.empty()) return std::nullopt;
    if (!IsDigit(token.front())) return lookup_ ? lookup_(token) : std::nullopt;
    uint64_t value = 0;
    for (const char c : token) {
      if (!IsDigit(c)) return std::nullopt;  // "0x10", "12ab": not a decimal literal
      value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return Wrap(value);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }

  std::string_view text_;
  const EnumNameLookup& lookup_;
  size_t pos_ = 0;
};
}  // namespace

std::optional<int64_t> EvaluateEnumExpression(std::string_view text, const EnumNameLookup& lookup) {
  return Evaluator(text, lookup).Whole();
}
