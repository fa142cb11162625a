#pragma once
// The page "GPIB/RS232" and the dialog "GPIBRS232Communication" of the
// GPIB/RS232 selector: two radio buttons and two setup buttons.
#include "dialogs/ValidatorSupport.h"

class GPIBRS232;

class GPIBRS232Panel : public ValidatorBasedPanel {
public:
  explicit GPIBRS232Panel(GPIBRS232* selector) : selector_(selector) {}

protected:
  void BindControls() override;

private:
  GPIBRS232* selector_;
};

class GPIBRS232Dialog : public ValidatorBasedDialog {
public:
  explicit GPIBRS232Dialog(GPIBRS232* selector) : selector_(selector) {}

protected:
  void BindControls() override;

private:
  GPIBRS232* selector_;
};

// Binds the radio and setup buttons of either window to the selector.
void BindGPIBRS232Controls(wxWindow& window, GPIBRS232* selector);
