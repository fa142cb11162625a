#pragma once
// A switch matrix: the generic value channel carries host events (SetValue
// 1500) and requests (GetValue 1550) to HandleEvent and HandleRequest.
#include "framework/DeviceDriverBase.h"

class SwitchMatrixBase : public virtual DeviceDriverBase {
public:
  virtual Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value);
  virtual Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data);

  Status SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) override;
  Status GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) override;
};
