#pragma once
// A directory tree that looks like sysfs and /dev to the USB port finder:
// ttys below USB devices of a chosen vendor, or below none, whose device
// nodes link to pseudo-terminals. The finder is pointed at it for the life
// of the object.
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ScopedVariable.h"

class FakeSysfs {
public:
  explicit FakeSysfs(const std::string& root)
      : root_(root), sys_("SWMATRIX_SYSFS_ROOT", root + "/sys"), dev_("SWMATRIX_DEV_ROOT", root + "/dev") {
    std::filesystem::create_directories(root + "/sys/class/tty");
    std::filesystem::create_directories(root + "/dev");
  }

  // A tty of a USB adapter (vendor and product as four hex digits) whose node links to target.
  void AddUsbTty(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& target) {
    const std::string usb = root_ + "/sys/devices/pci0000:00/usb1/1-" + std::to_string(++adapters_);
    WriteText(usb + "/idVendor", vendor + "\n");
    WriteText(usb + "/idProduct", product + "\n");
    AddTty(name, usb + "/1-" + std::to_string(adapters_) + ":1.0/" + name + "/tty/" + name, target);
  }
  // A tty with no USB device above it (a built-in port).
  void AddPlainTty(const std::string& name, const std::string& target) {
    AddTty(name, root_ + "/sys/devices/platform/serial8250/tty/" + name, target);
  }

private:
  static void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
  }
  void AddTty(const std::string& name, const std::string& device, const std::string& target) {
    WriteText(device + "/uevent", "MAJOR=188\nMINOR=0\nDEVNAME=" + name + "\n");
    std::filesystem::create_directory_symlink(device, root_ + "/sys/class/tty/" + name);
    std::filesystem::create_symlink(target, root_ + "/dev/" + name);
  }

  std::string root_;
  ScopedVariable sys_;
  ScopedVariable dev_;
  int adapters_ = 0;
};
