#include "drivers/configurable/ConfigurableSwitchMatrixCommandsPanel.h"

#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"
#include "drivers/configurable/ConfigurableSwitchMatrix.h"
#include "settings/NarrowText.h"

using Matrix = ConfigurableSwitchMatrix;

ConfigurableSwitchMatrixCommandsPanel::Controls ConfigurableSwitchMatrixCommandsPanel::PageControls(int page) {
  switch (page) {
    case 2:
      return {{"ID_TEST_START", Matrix::onTestStarted},
              {"ID_TEST_STOP", Matrix::onTestStopped},
              {"ID_FREQUENCY_CHANGED", Matrix::onFrequencyChanged},
              {"ID_CARRIERLEVEL_CHANGED", Matrix::onCarrierLevelChanged},
              {"ID_DWELLTIME_STARTED", Matrix::onDwellTimeStarted},
              {"ID_DWELLTIME_STOPPED", Matrix::onDwellTimeStopped},
              {"ID_MODULATION_ON", Matrix::onModulationOn},
              {"ID_MODULATION_OFF", Matrix::onModulationOff}};
    case 3:
      return {{"ID_MEASURING_FORWARD_POWER", Matrix::onMeasuringForwardPower},
              {"ID_FORWARD_POWER_MEASURED", Matrix::onForwardPowerMeasured},
              {"ID_MEASURING_REFLECTED_POWER", Matrix::onMeasuringReflectedPower},
              {"ID_REFLECTED_POWER_MEASURED", Matrix::onReflectedPowerMeasured},
              {"ID_NET_POWER_MEASURED", Matrix::onNetPowerMeasured},
              {"ID_FIELD_MEASURED", Matrix::onFieldSensorMeasured}};
    case 4:
      return {{"ID_ANTENNA_MOVEMENT_STARTED", Matrix::onAntennaMovementStarted},
              {"ID_ANTENNA_MOVEMENT_STOPPED", Matrix::onAntennaMovementStopped},
              {"ID_ANTENNA_MOVEMENT_CHANGED", Matrix::onAntennaTowerChanged},
              {"ID_ANTENNA_POLARIZATION_CHANGED", Matrix::AntennaPolarisationChanged},
              {"ID_TURNTABLE_MOVEMENT_STARTED", Matrix::onTurntableMovementStarted},
              {"ID_TURNTABLE_MOVEMENT_STOPPED", Matrix::onTurntableMovementStopped},
              {"ID_TURNTABLE_MOVEMENT_CHANGED", Matrix::onTurntableChanged}};
    default:
      return {};
  }
}

void ConfigurableSwitchMatrixCommandsPanel::BindControls() {
  for (const auto& [id, index] : controls_) {
    Bind<wxTextCtrl>(id, wxTemplatePropertyValidator<Matrix, wxString>(
                             matrix_, [index](const Matrix& m) { return WideFromNarrow(m.commands[index]); },
                             [index](Matrix& m, const wxString& value) { m.commands[index] = NarrowFromWide(value); },
                             "%s"));
  }
}
