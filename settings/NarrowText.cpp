#include "settings/NarrowText.h"

wxString WideFromNarrow(std::string_view narrow) {
  if (narrow.empty()) return wxString();
  wxString wide = wxString::FromUTF8(narrow.data(), narrow.size());
  if (wide.empty()) wide = wxString::From8BitData(narrow.data(), narrow.size());
  return wide;
}

std::string NarrowFromWide(const wxString& wide) { return wide.utf8_string(); }
