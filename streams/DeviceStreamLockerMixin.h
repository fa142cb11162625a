#pragma once
// Adds the scoped lock DeviceStreamLocker to a stream or client T.
#include "streams/DeviceStreamLocker.h"

template <class T>
class DeviceStreamLockerMixin : public T {
public:
  using T::T;
  using DeviceStreamLocker = ::DeviceStreamLocker<DeviceStreamLockerMixin>;
};
