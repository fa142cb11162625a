#pragma once
// Serial ports of USB adapters, found through sysfs: every tty in
// SYSFS/class/tty whose device lies below a USB device with the wanted
// vendor identifier. SYSFS is $SWMATRIX_SYSFS_ROOT (default /sys); the
// port's device node is DEV/NAME, with NAME from the tty's uevent (DEVNAME)
// or else the tty's name, and DEV $SWMATRIX_DEV_ROOT (default /dev).
#include <string>
#include <vector>

struct UsbSerialPort {
  std::string name;        // the tty's name, e.g. ttyUSB0
  std::string devicePath;  // e.g. /dev/ttyUSB0
  std::string vendorId;    // four lower-case hex digits, e.g. 0403
  std::string productId;   // e.g. 6001
};

std::string SysfsRoot();
std::string DeviceRoot();

// The ports whose USB parent has the vendor identifier (hex, any case),
// sorted by name; empty when sysfs has no tty class.
std::vector<UsbSerialPort> ListUsbSerialPorts(const std::string& vendorId);
