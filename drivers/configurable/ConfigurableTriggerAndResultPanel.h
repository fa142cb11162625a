#pragma once
// The page of a trigger and its result pattern: "ID_TRIGGERCODE",
// "ID_TIMEOUT" (milliseconds) and "ID_RESULTFORMATCODE"; the button
// "ID_TEST_REGEXP" opens the pattern tester with the pattern typed so far.
#include "dialogs/ValidatorSupport.h"

class ConfigurableTriggerAndResult;

class ConfigurableTriggerAndResultPanel : public ValidatorBasedPanel {
public:
  explicit ConfigurableTriggerAndResultPanel(ConfigurableTriggerAndResult* settings) : settings_(settings) {}

protected:
  void BindControls() override;

private:
  ConfigurableTriggerAndResult* settings_;
};
