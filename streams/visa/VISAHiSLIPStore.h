#pragma once
// What the VISA stream learnt about HiSLIP: the file "VTX_HISLIP.INI" in the
// user's temporary directory ($TMPDIR, else /tmp) keeps, in the table
// "HiSLIP", one key per configured LAN identifier: 1 when its HiSLIP form
// opened, 0 when it did not. An identifier whose HiSLIP form failed is then
// opened as configured at once, without another try, until the file is
// removed (it goes with the temporary directory).
#include <string>

class VISAHiSLIPStore {
public:
  static constexpr const char* kFileName = "VTX_HISLIP.INI";
  static constexpr const char* kTable = "HiSLIP";

  static std::string Path();
  // False when the identifier's HiSLIP form failed before.
  static bool MayTry(const std::string& identifier);
  static void Remember(const std::string& identifier, bool opened);
};
