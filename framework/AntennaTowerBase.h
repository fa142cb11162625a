#pragma once
// An antenna tower (mast): the generic value channel turned into tower
// operations. SetValue 1200 goes to a height, 1201 sets the polarisation,
// 1202 stops; GetValue 1250 to 1254 read progress, height, polarisation and
// the physical height limits. Heights are floats, or doubles when the host
// asked for doubles (setting 4003); polarisation (1 horizontal, 2 vertical)
// and progress (per cent) are 32-bit integers. A tower overrides one of the
// two GoToHeight variants; the other reaches it through a conversion.
#include <cstdint>

#include "framework/DeviceDriverBase.h"

class AntennaTowerBase : public virtual DeviceDriverBase {
public:
  static constexpr int kHorizontal = 1;
  static constexpr int kVertical = 2;

  virtual Status GoToHeight(HostWindow hWnd, const double* metres);
  virtual Status GoToHeight(HostWindow hWnd, const float* metres);
  virtual Status PositionProgress(HostWindow hWnd, int32_t* percent);
  virtual Status SetPolarization(HostWindow hWnd, const int32_t* polarization);
  virtual Status StopMovement(HostWindow hWnd);
  // Heights are written as the host reads them: a double or a float (see UseDoubles).
  virtual Status GetCurrentHeight(HostWindow hWnd, void* metres);
  virtual Status GetCurrentPolarization(HostWindow hWnd, int32_t* polarization);
  virtual Status GetMinimumPhysicalHeight(HostWindow hWnd, void* metres) = 0;
  virtual Status GetMaximumPhysicalHeight(HostWindow hWnd, void* metres) = 0;
  // Asks the operator to turn the antenna (1 horizontal, anything else vertical).
  virtual void ShowSetPolarizationMessage(HostWindow hWnd, int polarization);

  Status SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) override;
  Status GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2) override;
  Status GetInfo(HostWindow hWnd, uint32_t info, double* value) override;
  Status ShowConfigurationDialogUnavailable(HostWindow hWnd) override;

  uint32_t CallDepth() const { return callDepth; }

protected:
  // Stores a height where the host reads it, as a double or a float.
  void WriteHeight(void* metres, double value) const;
};
