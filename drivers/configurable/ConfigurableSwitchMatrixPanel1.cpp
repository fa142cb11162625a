#include "drivers/configurable/ConfigurableSwitchMatrixPanel1.h"

#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/VectorPropertyValidator.h"
#include "drivers/configurable/ConfigurableSwitchMatrix.h"

namespace {
using Matrix = ConfigurableSwitchMatrix;

wxVectorPropertyValidator<Matrix, std::string> ListOf(Matrix* matrix, std::vector<std::string> Matrix::*list) {
  return {matrix, [list](const Matrix& m) { return m.*list; },
          [list](Matrix& m, const std::vector<std::string>& value) { m.*list = value; }, "%s"};
}
}  // namespace

ConfigurableSwitchMatrixPanel1::ConfigurableSwitchMatrixPanel1(ConfigurableSwitchMatrix* matrix)
    : ConfigurableDeviceDriverPanel(matrix), matrix_(matrix) {}

void ConfigurableSwitchMatrixPanel1::BindControls() {
  ConfigurableDeviceDriverPanel::BindControls();
  Bind<wxTextCtrl>("ID_DURINGTEST", ListOf(matrix_, &Matrix::duringTest));
  Bind<wxTextCtrl>("ID_AFTERTEST", ListOf(matrix_, &Matrix::afterTest));
  Bind<wxCheckBox>("ID_READBACK", wxTemplatePropertyValidator<Matrix, bool>(
                                      matrix_, [](const Matrix& m) { return m.performReadAfterWrite; },
                                      [](Matrix& m, const bool& value) { m.performReadAfterWrite = value; }, "%d"));
}
