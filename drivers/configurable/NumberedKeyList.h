#pragma once
// A list of texts stored as numbered keys: element 1 under the bare key,
// element n (n >= 2) under the key with n appended ("DuringTest",
// "DuringTest2", ...). Reading stops at the first missing or empty key.
// Writing puts an empty value under the key after the last element (the
// bare key for an empty list), so that a longer list stored before is cut
// there, and blanks the further numbered keys up to staleCount.
#include <string>
#include <vector>

#include "settings/ProgramSettingsDatabase.h"

std::string NumberedKey(const std::string& key, size_t number);
std::vector<std::string> ReadNumberedKeyList(ProgramSettingsDatabase& store, const std::string& key);
void WriteNumberedKeyList(ProgramSettingsDatabase& store, const std::string& key,
                          const std::vector<std::string>& list, size_t staleCount);
