#include "drivers/gpibrelay/InterlockInputPanel.h"

#include <wx/choice.h>

#include "dialogs/PropertyValidators.h"
#include "dialogs/ValidatorSupport.h"
#include "dialogs/wxGenericClientData.h"

namespace {
class InterlockInputPanel : public ValidatorBasedPanel {
public:
  InterlockInputPanel(long& input, int inputs) : input_(input), inputs_(inputs) {}

protected:
  void BindControls() override {
    auto* choice = FindControl<wxChoice>("ID_INTERLOCK");
    if (!choice) return;
    choice->Clear();
    for (long value = 0; value < inputs_; ++value)
      choice->Append(wxString::Format("Input %ld", value + 1), new wxGenericClientData<long>(value));
    choice->SetValidator(wxTemplatePropertyValidator<long, long>(
        &input_, [](const long& v) { return v; }, [](long& v, const long& value) { v = value; }));
  }

private:
  long& input_;
  int inputs_;
};
}  // namespace

void AddInterlockInputPanel(PanelList& panels, long& input, int inputs) {
  panels.Add({[&input, inputs] { return new InterlockInputPanel(input, inputs); }, "ICS4874InterlockConfigDialog",
              "Interlock"});
}
