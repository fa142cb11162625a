#pragma once
// The Probex pages: "Justatie Setting" chooses the axis, band and antenna of
// the adjustment ("ID_Axis", "ID_Band", "ID_Antenna"; the antenna only
// matters in the high band). "Programming Setting" selects an axis code
// ("ID_SELECTEDAXIS": XHB1 … ZHB2) and opens or saves a probe file (CSV)
// whose rows for that code are shown in "ID_PROGRAM_TABLE".
#include <wx/string.h>

#include "dialogs/ValidatorSupport.h"
#include "drivers/probex/Probex5CalibrationSwitch.h"

class Probex5JustatiePanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "Probex5Justatie";
  static constexpr const char* kTitle = "Justatie Setting";

  explicit Probex5JustatiePanel(Probex5CalibrationSwitch& driver) : driver_(driver) {}
  bool TransferDataToWindow() override;

protected:
  void BindControls() override;

private:
  void EnableAntenna();

  Probex5CalibrationSwitch& driver_;
};

class Probex5ProgramPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "Probex5Program";
  static constexpr const char* kTitle = "Programming Setting";
  static constexpr const char* kFileFilter = "Probex5 files (*.csv)|*.csv";
  static constexpr const char* kAxisCodes[] = {"XHB1", "XHB2", "YHB1", "YHB2", "ZHB1", "ZHB2"};

  // The rows of a probe file that belong to an axis code (first column), one per line.
  static wxString RowsOfAxis(const wxString& file, const wxString& code);

protected:
  void BindControls() override;

private:
  void Open();
  void Save();
  void ShowRows();

  wxString fileText_;
};
