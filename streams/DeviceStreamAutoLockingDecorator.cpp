#include "streams/DeviceStreamAutoLockingDecorator.h"

#include "streams/DeviceStreamLocker.h"

Status DeviceStreamAutoLockingDecorator::Write(uint32_t hostContext, const std::string& text,
                                               bool waitForOperationComplete) {
  DeviceStreamLocker<DeviceStreamAutoLockingDecorator> locker(*this, hostContext);
  const Status status = locker.Lock(GetTimeout(hostContext));
  if (status != 0) return status;
  return DeviceStreamBaseDecorator::Write(hostContext, text, waitForOperationComplete);
}

Status DeviceStreamAutoLockingDecorator::Read(uint32_t hostContext, std::string& text, size_t count) {
  DeviceStreamLocker<DeviceStreamAutoLockingDecorator> locker(*this, hostContext);
  const Status status = locker.Lock(GetTimeout(hostContext));
  if (status != 0) {
    text.clear();
    return status;
  }
  return DeviceStreamBaseDecorator::Read(hostContext, text, count);
}
