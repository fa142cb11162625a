#include "settings/StorableMemberVariable.h"

#include "logging/JournexEntry.h"

void LogStorableMemberAccess(std::string_view operation, const std::string& table,
                             const std::string& key, const LogValue& value) {
  if (!JournexEntry::Enabled()) return;
  JournexEntry::Note(operation, "StorableMemberVariable", "Note",
                     std::string(operation) + "(" + table + ", " + key + ")", {value});
}
