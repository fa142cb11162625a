#include "platform/UsbSerialPorts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
std::string FromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? value : fallback;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The first line of a small attribute file, without surrounding blanks; empty when unreadable.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// The node name a tty's uevent announces (DEVNAME=...), else the tty's name.
std::string NodeName(const fs::path& tty, const std::string& name) {
  std::ifstream in(tty / "uevent");
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("DEVNAME=") && line.size() > 8) return line.substr(8);
  return name;
}

// The nearest directory at or above start (and below root) that describes a
// USB device (has idVendor); empty when none does.
fs::path UsbParent(fs::path start, const fs::path& root) {
  std::error_code error;
  for (fs::path dir = start; !dir.empty() && dir != root && dir != dir.root_path(); dir = dir.parent_path())
    if (fs::is_regular_file(dir / "idVendor", error)) return dir;
  return {};
}
}  // namespace

std::string SysfsRoot() { return FromEnvironment("SWMATRIX_SYSFS_ROOT", "/sys"); }
std::string DeviceRoot() { return FromEnvironment("SWMATRIX_DEV_ROOT", "/dev"); }

std::vector<UsbSerialPort> ListUsbSerialPorts(const std::string& vendorId) {
  std::vector<UsbSerialPort> ports;
  std::error_code error;
  const fs::path root = fs::weakly_canonical(SysfsRoot(), error);
  const fs::path ttys = root / "class" / "tty";
  fs::directory_iterator entries(ttys, error);
  if (error) return ports;
  const std::string wanted = Lower(vendorId);
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    const fs::path device = fs::canonical(entry.path(), error);
    if (error) continue;
    const fs::path usb = UsbParent(device, root);
    if (usb.empty() || Lower(Attribute(usb / "idVendor")) != wanted) continue;
    ports.push_back({name, (fs::path(DeviceRoot()) / NodeName(device, name)).string(), wanted,
                     Lower(Attribute(usb / "idProduct"))});
  }
  std::sort(ports.begin(), ports.end(), [](const UsbSerialPort& a, const UsbSerialPort& b) { return a.name < b.name; });
  return ports;
}
