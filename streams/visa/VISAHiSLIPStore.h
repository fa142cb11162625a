#pragma once
// What the VISA stream learnt about HiSLIP: the file "VTX_HISLIP.INI" in the
// user's own folder "swmatrix" of $XDG_CACHE_HOME (else ~/.cache, else
// $XDG_RUNTIME_DIR; the folder is private to the user) keeps, in the table
// "HiSLIP", the key 0 for each configured LAN identifier whose HiSLIP form
// was refused while its plain form then opened. Such an identifier is opened
// as configured at once, without another try, until the file is removed. A
// failure of both forms (an instrument switched off, no VISA library) is not
// remembered, so HiSLIP is tried again next time; nor is a HiSLIP failure
// other than a refusal (a time-out, a busy resource, a session limit).
#include <cstdint>
#include <string>

class VISAHiSLIPStore {
public:
  static constexpr const char* kFileName = "VTX_HISLIP.INI";
  static constexpr const char* kTable = "HiSLIP";

  // The file's path; empty when the user has no folder for it.
  static std::string Path();
  // False when the identifier's HiSLIP form was refused before.
  static bool MayTry(const std::string& identifier);
  // Whether a VISA status of opening the HiSLIP form says the instrument has
  // no HiSLIP server: VI_ERROR_RSRC_NFOUND (the connection was refused) or
  // VI_ERROR_INV_RSRC_NAME (the library knows no HiSLIP resources).
  static bool IsRefusal(uint32_t status);
  // Notes that the HiSLIP form was refused and the plain form opened.
  static void RememberRefused(const std::string& identifier);
};
