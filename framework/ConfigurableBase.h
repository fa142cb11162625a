#pragma once
// A mix-in for objects that keep their settings in a named table and report
// regular-expression errors.
#include <string>

#include "framework/Status.h"
#include "settings/ProgramSettingsDatabase.h"

class ConfigurableBase {
public:
  virtual ~ConfigurableBase() = default;
  virtual void SetTableName(std::string name) { tableName_ = std::move(name); }
  virtual void OpenTable(SettingsStore store) {
    if (store) store->PushTable(tableName_);
  }
  virtual void CloseTable(SettingsStore store) {
    if (store) store->PopTable();
  }
  virtual void Hook() {}
  virtual Status GetErrorString(uint32_t hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                uint32_t* read);

  const std::string& TableName() const { return tableName_; }

private:
  std::string tableName_;
};

// Regular-expression status codes.
enum : Status {
  ERR_REGEX_NO_MATCH_RETRIEVED = 0x30000064,
  ERR_REGEX_OPTIONAL_NO_SELECTION = 0x30000065,
  ERR_REGEX_NO_MATCH = 0x30000066,
  ERR_REGEX_INVALID = 0x30000067,
  ERR_REGEX_INVALID_EXPRESSION = 0x30002260,
  ERR_REGEX_RESULT_NOT_FOUND = 0x30002261,
  ERR_REGEX_TIMEOUT = 0x30002262,
  ERR_REGEX_TRIGGER_CACHE_TOO_SMALL = 0x30002263,
};
