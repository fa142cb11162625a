#pragma once
// The names of an enumeration's values, for dialogs and logs. One table per
// enumeration, built on first use from the text of its declaration, which
// SWM_ENUM keeps next to the enumeration:
//
//   SWM_ENUM(Parity, NoParity = 0, OddParity, EvenParity, MAX_PARITY = EvenParity)
//   EnumClass<Parity>::Instance().Name(OddParity)  // "OddParity"
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "settings/EnumTable.h"

// Declares an enumeration with int as its fixed underlying type (so that any
// integer read from a file is a valid value) and records its declaration text.
#define SWM_ENUM(Name, ...)                                                   \
  enum Name : int { __VA_ARGS__ };                                            \
  [[maybe_unused]] inline const char* EnumDeclarationText(Name) {             \
    return "({ " #__VA_ARGS__ " })";                                          \
  }

template <typename T>
class EnumClass {
  static_assert(std::is_enum_v<T>);

public:
  explicit EnumClass(std::string_view declaration) : table_(declaration) {}

  // The table of T, from the declaration text found next to T.
  static const EnumClass& Instance() {
    static const EnumClass instance(EnumDeclarationText(T{}));
    return instance;
  }

  // The name of the value, "undefined" when the declaration has none.
  std::string_view Name(T value) const { return table_.NameOf(static_cast<int64_t>(value)); }
  // The value of a name, or false when there is no such name.
  bool Value(std::string_view name, T* value) const {
    const auto found = table_.ValueOf(name);
    if (found) *value = static_cast<T>(static_cast<std::underlying_type_t<T>>(*found));
    return found.has_value();
  }
  // Every entry in declaration order.
  std::vector<std::pair<std::string, T>> Entries() const {
    std::vector<std::pair<std::string, T>> entries;
    for (const auto& [name, value] : table_.Entries())
      entries.emplace_back(name, static_cast<T>(static_cast<std::underlying_type_t<T>>(value)));
    return entries;
  }
  T Largest() const { return static_cast<T>(static_cast<std::underlying_type_t<T>>(table_.Largest())); }
  const EnumTable& Table() const { return table_; }

private:
  EnumTable table_;
};
