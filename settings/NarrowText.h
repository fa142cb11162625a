#pragma once
// Conversion between the narrow (8-bit) strings of keys, table names and
// narrow values and the wide strings of the store: narrow text is UTF-8;
// bytes that are not valid UTF-8 are taken as Latin-1, so nothing is lost.
#include <wx/string.h>

#include <string>
#include <string_view>

wxString WideFromNarrow(std::string_view narrow);
std::string NarrowFromWide(const wxString& wide);
