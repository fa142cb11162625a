#pragma once
// The "Stribel" page: which field strength the controller is told
// ("ID_OUTPUT": the measured average field or the calculated field).
#include "dialogs/ValidatorSupport.h"

class Stribel;

class StribelPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "StribelConfigDialog";
  static constexpr const char* kTitle = "Stribel";

  explicit StribelPanel(Stribel& driver) : driver_(driver) {}

protected:
  void BindControls() override;

private:
  Stribel& driver_;
};
