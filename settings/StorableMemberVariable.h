#pragma once
// A persistent member of a driver or transport: its value, the table and the
// key it is stored under. Constructing it registers it with its owner's
// StorableMembersManager, so members load and save in declaration order.
//
// Storage: int and enumerations as decimal integers (long), unsigned int as
// an unsigned decimal, bool as 1/0 (read leniently), wxString as text.
// Enumerations must have a fixed underlying type (SWM_ENUM gives them one),
// so that any integer found in a file is a valid value.
#include <wx/string.h>

#include <string>
#include <type_traits>

#include "logging/LogValue.h"
#include "settings/StorableMembersManager.h"

// Writes the record of one member load or save ("LoadProgramSettings(table, key)").
void LogStorableMemberAccess(std::string_view operation, const std::string& table,
                             const std::string& key, const LogValue& value);

template <typename T>
class StorableMemberVariable : public SavableLoadableClass {
  static_assert(std::is_same_v<T, int> || std::is_same_v<T, unsigned int> ||
                    std::is_same_v<T, bool> || std::is_same_v<T, wxString> || std::is_enum_v<T>,
                "a storable member is an int, unsigned int, bool, wxString or enumeration");

public:
  StorableMemberVariable(T initial, StorableMembersManager& owner, std::string table,
                         std::string key)
      : value_(std::move(initial)), table_(std::move(table)), key_(std::move(key)) {
    owner.Register(this);
  }
  StorableMemberVariable(const StorableMemberVariable&) = delete;
  StorableMemberVariable& operator=(const StorableMemberVariable&) = delete;

  T& Value() { return value_; }
  const T& Value() const { return value_; }
  operator const T&() const { return value_; }
  StorableMemberVariable& operator=(const T& value) {
    value_ = value;
    return *this;
  }
  const std::string& Table() const { return table_; }
  const std::string& Key() const { return key_; }

  // Reads the value with the current one as default; never fails.
  uint32_t LoadProgramSettings(uint32_t, SettingsStore store) override {
    if (store) {
      store->PushTable(table_);
      value_ = ReadFrom(*store);
      store->PopTable();
    }
    LogStorableMemberAccess("LoadProgramSettings", table_, key_, Logged());
    return 0;
  }

  uint32_t SaveProgramSettings(uint32_t, SettingsStore store) override {
    if (store) {
      store->PushTable(table_);
      WriteTo(*store);
      store->PopTable();
    }
    LogStorableMemberAccess("SaveProgramSettings", table_, key_, Logged());
    return 0;
  }

private:
  T ReadFrom(ProgramSettingsDatabase& store) const {
    if constexpr (std::is_same_v<T, wxString>) {
      return store.Read(key_, value_);
    } else if constexpr (std::is_same_v<T, bool>) {
      return store.Read(key_, value_);
    } else if constexpr (std::is_same_v<T, unsigned int>) {
      return static_cast<unsigned int>(store.Read(key_, static_cast<unsigned long>(value_)));
    } else if constexpr (std::is_enum_v<T>) {
      using Underlying = std::underlying_type_t<T>;
      return static_cast<T>(static_cast<Underlying>(store.Read(key_, static_cast<long>(value_))));
    } else {
      return static_cast<int>(store.Read(key_, static_cast<long>(value_)));
    }
  }

  void WriteTo(ProgramSettingsDatabase& store) const {
    if constexpr (std::is_same_v<T, wxString>) {
      store.WriteNarrow(key_, value_.utf8_string());
    } else if constexpr (std::is_same_v<T, bool>) {
      store.Write(key_, value_);
    } else if constexpr (std::is_same_v<T, unsigned int>) {
      store.Write(key_, static_cast<unsigned long>(value_));
    } else {
      store.Write(key_, static_cast<long>(value_));
    }
  }

  LogValue Logged() const {
    if constexpr (std::is_enum_v<T>)
      return LogValue(key_, static_cast<long>(value_));
    else
      return LogValue(key_, value_);
  }

  T value_;
  std::string table_;
  std::string key_;
};
