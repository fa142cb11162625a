#pragma once
// The relay page of a GPIB relay driver: per relay a "during" and an "after"
// choice, named by two printf formats with the relay number 1..n
// ("ID_DURING_RELAIS%d"), each listing the driver's choices with their
// values. Controls beyond the driver's relays are hidden; so are the row
// panels (ID_DURING_ROW<r>, ID_AFTER_ROW<r>) of rows of eight relays the
// driver does not have.
#include <string>

#include "dialogs/PanelList.h"
#include "dialogs/ValidatorSupport.h"
#include "drivers/gpibrelay/GpibRelayDriver.h"

struct RelayPanelLayout {
  std::string xrcName;
  std::string title;
  std::string duringFormat;
  std::string afterFormat;
};

class RelayChoicesPanel : public ValidatorBasedPanel {
public:
  static constexpr int kRelaysPerRow = 8;

  RelayChoicesPanel(RelayDriverDialogModel& model, RelayPanelLayout layout)
      : model_(model), layout_(std::move(layout)) {}

  static std::string ControlName(const std::string& format, int number);

protected:
  void BindControls() override;

private:
  RelayDriverDialogModel& model_;
  RelayPanelLayout layout_;
};

void AddRelayChoicesPanel(PanelList& panels, RelayDriverDialogModel& model, RelayPanelLayout layout);
