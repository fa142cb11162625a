#include "streams/LegacyConfigurationTransfers.h"

#include <map>
#include <memory>
#include <mutex>

namespace {
struct Transfers {
  std::mutex lock;
  // Entries are never moved once made, so Find may hand out their address.
  std::map<std::string, std::unique_ptr<LegacyConfigurationTransfer>> byType;
};

Transfers& All() {
  static Transfers transfers;
  return transfers;
}
}  // namespace

bool LegacyConfigurationTransfers::Register(const std::string& typeName, LegacyConfigurationTransfer transfer) {
  std::lock_guard guard(All().lock);
  All().byType[typeName] = std::make_unique<LegacyConfigurationTransfer>(std::move(transfer));
  return true;
}

const LegacyConfigurationTransfer* LegacyConfigurationTransfers::Find(const std::string& typeName) {
  std::lock_guard guard(All().lock);
  auto found = All().byType.find(typeName);
  return found == All().byType.end() ? nullptr : found->second.get();
}

void LegacyConfigurationTransfers::Unregister(const std::string& typeName) {
  std::lock_guard guard(All().lock);
  All().byType.erase(typeName);
}
