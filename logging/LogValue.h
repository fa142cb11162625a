#pragma once
// A named value of a log record: an integer, a real, a boolean or a text.
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

class wxString;

class LogValue {
public:
  enum class Kind { Integer, Unsigned, Real, Boolean, Text };

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  LogValue(std::string_view name, T value) : name_(name) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Integer;
      integer_ = value;
    } else {
      kind_ = Kind::Unsigned;
      unsigned_ = value;
    }
  }
  LogValue(std::string_view name, double value) : name_(name), kind_(Kind::Real), real_(value) {}
  LogValue(std::string_view name, float value) : LogValue(name, static_cast<double>(value)) {}
  LogValue(std::string_view name, bool value) : name_(name), kind_(Kind::Boolean), boolean_(value) {}
  LogValue(std::string_view name, std::string_view text) : name_(name), kind_(Kind::Text), text_(text) {}
  LogValue(std::string_view name, const char* text)
      : LogValue(name, std::string_view(text ? text : "")) {}
  LogValue(std::string_view name, const std::string& text) : LogValue(name, std::string_view(text)) {}
  LogValue(std::string_view name, const wxString& text);

  std::string_view Name() const { return name_; }
  Kind GetKind() const { return kind_; }
  int64_t Integer() const { return integer_; }
  uint64_t Unsigned() const { return unsigned_; }
  double Real() const { return real_; }
  bool Boolean() const { return boolean_; }
  std::string_view Text() const { return text_; }

private:
  std::string_view name_;
  Kind kind_;
  union {
    int64_t integer_;
    uint64_t unsigned_;
    double real_;
    bool boolean_;
  };
  std::string text_;
};
