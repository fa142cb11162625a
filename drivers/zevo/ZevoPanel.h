#pragma once
// The "ZevoDialog" page: per relay 1–4 a choice of "Off" or "On" for the
// during state ("ID_DURING_RELAIS%d") and the after state ("ID_AFTER_RELAIS%d").
#include <string>

#include "dialogs/ValidatorSupport.h"

class ZevoSwt;

class ZevoPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "ZevoDialog";
  static constexpr const char* kTitle = "Relays";

  explicit ZevoPanel(ZevoSwt& driver) : driver_(driver) {}

  static std::string ControlName(int which, int relay);

protected:
  void BindControls() override;

private:
  ZevoSwt& driver_;
};
