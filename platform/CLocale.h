#pragma once
// Locale-independent text services: printf-style formatting and real
// numbers parsed the way the "C" locale does (a '.' as the decimal point),
// and Unicode lower-casing, whatever locale the host process has set.

#include <string>

// Like snprintf in the "C" locale (a '.' as the decimal point), whatever
// locale the host has set; the whole text, however long.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Like strtod/strtof in the "C" locale; parsed tells whether any number was found.
double ParseCDouble(const char* text, bool* parsed);
float ParseCFloat(const char* text, bool* parsed);

// The lower-case form of a Unicode character (the character itself when it has none).
wchar_t LowerCaseUnicode(wchar_t c);
