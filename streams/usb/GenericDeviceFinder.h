#pragma once
// Finders of attached USB devices: each lists the devices it knows and
// names the port through which one is reached.
#include <string>
#include <vector>

struct FoundDevice {
  std::string name;        // what the system calls it (tty name, chip description)
  std::string port;        // how it is opened (device path, serial number)
  std::string identifier;  // what it identifies itself with; empty when unknown
};

class GenericDeviceFinder {
public:
  virtual ~GenericDeviceFinder() = default;
  // The attached devices.
  virtual std::vector<FoundDevice> ListDevices() = 0;
  // Why the last listing could not be made (a library missing or failing);
  // empty when it could.
  virtual std::string FailureText() const { return {}; }
  // The port of a device.
  virtual std::string PortOf(const FoundDevice& device) { return device.port; }
  // The port of the listed device with this identifier; empty when none has it.
  std::string FindPort(const std::string& identifier);
};
