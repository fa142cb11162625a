#include "drivers/configurable/NumberedKeyList.h"

std::string NumberedKey(const std::string& key, size_t number) {
  return number <= 1 ? key : key + std::to_string(number);
}

std::vector<std::string> ReadNumberedKeyList(ProgramSettingsDatabase& store, const std::string& key) {
  std::vector<std::string> list;
  for (size_t number = 1;; ++number) {
    std::string value = store.ReadNarrow(NumberedKey(key, number), "");
    if (value.empty()) break;
    list.push_back(std::move(value));
  }
  return list;
}

void WriteNumberedKeyList(ProgramSettingsDatabase& store, const std::string& key,
                          const std::vector<std::string>& list, size_t staleCount) {
  for (size_t i = 0; i < list.size(); ++i) store.WriteNarrow(NumberedKey(key, i + 1), list[i]);
  store.WriteNarrow(NumberedKey(key, list.size() + 1), "");
  for (size_t number = list.size() + 2; number <= staleCount; ++number) store.WriteNarrow(NumberedKey(key, number), "");
}
