#pragma once
// The "Settings" page of a Novotronik unit: per row the triggering event
// ("cboEvent_ROW_%d") and per switch the pole ("cboSwitchPinData_%d_ROW_%d",
// switch then row, both counted from 0).
#include <string>

#include "dialogs/ValidatorSupport.h"

namespace Kovalex::devicedrivers::NOVOTRONIK {

class NovotronikBase;

class NovotronikPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "NovotronikBaseSwitch";
  static constexpr const char* kTitle = "Settings";

  explicit NovotronikPanel(NovotronikBase& driver) : driver_(driver) {}

  static std::string EventControl(int row);
  static std::string PinControl(int pin, int row);

protected:
  void BindControls() override;

private:
  NovotronikBase& driver_;
};

}  // namespace Kovalex::devicedrivers::NOVOTRONIK
