#pragma once
// A trigger command and the pattern that extracts a result from the answer,
// kept in the owner's settings: "Trigger", "ResultFormat" (a regular
// expression) and "TimeoutMS" inside the table named by ConfigurableBase.
#include <string>

#include "dialogs/PanelList.h"
#include "framework/ConfigurableBase.h"
#include "settings/SavableLoadableClass.h"

class ConfigurableDeviceDriver;

class ConfigurableTriggerAndResult : public ConfigurableBase, public SavableLoadableClass {
public:
  static constexpr const char* kDefaultTableName = "TriggerAndResult";
  static constexpr const char* kXrcName = "ConfigurableTriggerAndResultPanel";
  static constexpr const char* kTitle = "Trigger";

  ConfigurableTriggerAndResult() { SetTableName(kDefaultTableName); }

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // Sends the trigger through the driver (when it is not empty), reads until
  // the answer matches the result pattern within TimeoutMS, and extracts the
  // result (see ExtractRegularExpressionResult). The driver's stream must be
  // connected; its time-out is restored afterwards.
  Status TriggerAndExtract(ConfigurableDeviceDriver& driver, std::string& result, std::string* answer = nullptr);
  // Adds the page with the three settings to a driver's dialog.
  void AddPanel(PanelList& panels);

  std::string trigger;
  std::string resultFormat;
  double timeoutMS = 2000.0;
};
