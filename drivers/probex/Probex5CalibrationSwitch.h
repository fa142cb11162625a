#pragma once
// Tells a Probex 5 field probe what happens while it is adjusted in a known
// field: which axis, band and antenna the adjustment is for (at test start),
// the field of each step computed from the measured forward power, and the
// end of the adjustment (test stopped). It talks the Hubline text protocol
// (addressing, error replies and their texts) of HublineBase.
#include <string>

#include "drivers/hubline/HublineBase.h"
#include "framework/SwitchMatrixBase.h"
#include "settings/EnumClass.h"
#include "settings/StorableMemberVariable.h"

namespace probex {
SWM_ENUM(Axis, PX5_Xaxis = 0, PX5_Yaxis = 1, PX5_Zaxis = 2)
SWM_ENUM(Band, PX5_High_Band = 0, PX5_Low_Band = 1)
SWM_ENUM(Antenna, PX5_Antenna1 = 0, PX5_Antenna2 = 1)
}  // namespace probex

class Probex5CalibrationSwitch : public HublineBase<SwitchMatrixBase> {
public:
  static constexpr const char* kSettingsTable = "Probex5Cal";
  static constexpr const char* kIdentification = "PROBEX";
  // The field probe's reference: the voltage across 50 ohm divided by this gives V/m.
  static constexpr double kAntennaFactor = 0.284;

  Probex5CalibrationSwitch();

  Status CheckDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // "!ADJUST_START YHB2", "!ADJUST_START XLB".
  std::string StartCommand() const;
  // The field in V/m of a forward power in dBm.
  static double FieldOfPower(double dBm);
  // "!ADJUST_FIELD 787" for 0 dBm.
  static std::string FieldCommand(double dBm);

  probex::Axis AxisSetting() const { return axis_; }
  void SetAxis(probex::Axis axis) { axis_ = axis; }
  probex::Band BandSetting() const { return band_; }
  void SetBand(probex::Band band) { band_ = band; }
  probex::Antenna AntennaSetting() const { return antenna_; }
  void SetAntenna(probex::Antenna antenna) { antenna_ = antenna; }

private:
  // Writes the command, reads the reply and checks it for a device error.
  Status Exchange(const std::string& command);

  StorableMemberVariable<probex::Axis> axis_;
  StorableMemberVariable<probex::Band> band_;
  StorableMemberVariable<probex::Antenna> antenna_;
};
