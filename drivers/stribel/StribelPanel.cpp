#include "drivers/stribel/StribelPanel.h"

#include <wx/combobox.h>

#include "dialogs/DecoratorValidators.h"
#include "dialogs/PropertyValidators.h"
#include "drivers/stribel/Stribel.h"

void StribelPanel::BindControls() {
  using Field = wxTemplatePropertyValidator<Stribel, MeasurementType>;
  Bind<wxComboBox>("ID_OUTPUT",
                   wxComboBoxDecoratorValidator<MeasurementType>(
                       new Field(&driver_, [](const Stribel& d) { return d.FieldType(); },
                                 [](Stribel& d, const MeasurementType& type) { d.SetFieldType(type); }),
                       MIN_TYPE, MAX_TYPE));
}
