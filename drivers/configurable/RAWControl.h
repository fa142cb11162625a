#pragma once
// The option of a driver to report raw device values ("UseRAW"), kept in the
// owner's settings; its page "RAW Settings" appears only when the owner asks
// for it (ShowRAWControl).
#include "dialogs/PanelList.h"
#include "framework/ConfigurableBase.h"
#include "settings/SavableLoadableClass.h"

class RAWControl : public ConfigurableBase, public SavableLoadableClass {
public:
  static constexpr const char* kDefaultTableName = "RAWControl";
  static constexpr const char* kXrcName = "RAWControlConfigurationPanel";
  static constexpr const char* kTitle = "RAW Settings";

  RAWControl() { SetTableName(kDefaultTableName); }

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  // Adds the page when ShowRAWControl is set.
  void AddPanel(PanelList& panels);

  bool UseRAW = false;
  bool ShowRAWControl = false;
};
