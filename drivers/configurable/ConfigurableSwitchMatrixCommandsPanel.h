#pragma once
// Pages "Custom 2" to "Custom 4" of the configurable switch matrix: one text
// control per event command.
#include <utility>
#include <vector>

#include "dialogs/ValidatorSupport.h"

class ConfigurableSwitchMatrix;

class ConfigurableSwitchMatrixCommandsPanel : public ValidatorBasedPanel {
public:
  // Pairs of an XRC id and the index of the command it edits.
  using Controls = std::vector<std::pair<const char*, size_t>>;

  ConfigurableSwitchMatrixCommandsPanel(ConfigurableSwitchMatrix* matrix, Controls controls)
      : matrix_(matrix), controls_(std::move(controls)) {}

  // The controls of page 2, 3 or 4.
  static Controls PageControls(int page);

protected:
  void BindControls() override;

private:
  ConfigurableSwitchMatrix* matrix_;
  Controls controls_;
};
