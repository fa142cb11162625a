#pragma once
// A switch matrix without hardware: shows every host event and request in a
// message box, so that an engineer can watch a test and make a step fail by
// cancelling the box.
#include <string>

#include "framework/SwitchMatrixBase.h"

class DebugSwitchMatrix : public SwitchMatrixBase {
public:
  static constexpr Status kUserCancelled = DRV_ERR_USER_CANCELLED;

  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;

  bool Initialised() const { return initialised; }

  // The texts shown for an event (value and text are the event's data) and a request.
  static std::string EventText(uint32_t event, double value, const char* text);
  static std::string RequestText(uint32_t request);

private:
  Status ShowBox(HostWindow hWnd, const std::string& text, const char* warning);

  bool initialised = false;
};
