#pragma once
// The stand-in for the system registry: a read-only INI file, named by
// $SWMATRIX_REGISTRY (default /etc/swmatrix/registry.ini), with one section
// per key path, for example
//
//   [HKEY_LOCAL_MACHINE\Software\National Instruments\NI-488.2M\CurrentVersion]
//   MajorVersion = 17
//   MinorVersion = dword:00000006
//   CurrentVersion = "17.6"
//
// Key paths and value names compare without regard to case. A missing file,
// key or value is "not found", as on a machine without that software.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <unordered_map>

class RegistryKey {
public:
  // The file the registry is read from.
  static std::string FilePath();
  // Joins path parts with backslashes ("Software", "Vendor" -> "Software\Vendor").
  static std::string Join(std::initializer_list<std::string> parts);

  // Opens the key for reading, e.g. Open("HKEY_LOCAL_MACHINE", "Software\\Vendor");
  // false when the file or the key does not exist.
  bool Open(const std::string& root, const std::string& path);
  bool IsOpen() const { return open_; }

  // A text value (one pair of enclosing double quotes removed).
  std::optional<std::string> ReadString(const std::string& name) const;
  // A number: decimal, 0x-prefixed hexadecimal or "dword:" and eight hex digits.
  std::optional<uint32_t> ReadDword(const std::string& name) const;

private:
  bool open_ = false;
  std::unordered_map<std::string, std::string> values_;  // folded name -> raw value
};
