#pragma once
// The registry of an owner's persistent members; loads and saves them in
// registration order and stops at the first failure.
#include <vector>

#include "settings/SavableLoadableClass.h"

class StorableMembersManager : public SavableLoadableClass {
public:
  void Register(SavableLoadableClass* member) { members_.push_back(member); }
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  size_t Count() const { return members_.size(); }

private:
  std::vector<SavableLoadableClass*> members_;
};
