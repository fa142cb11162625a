#pragma once
// Moving a typed value between a dialog control and the program: text
// controls show the value formatted with a printf-style format, check boxes
// and radio buttons a boolean, combo boxes and choices the entry whose
// client data equals the value.
#include <wx/string.h>

#include <cstdint>
#include <string>
#include <limits>
#include <type_traits>

class wxWindow;

namespace control {

// Strict conversions of a whole text (surrounding blanks allowed).
bool ParseSigned(const wxString& text, int64_t minimum, int64_t maximum, int64_t* value);
bool ParseUnsigned(const wxString& text, uint64_t maximum, uint64_t* value);
bool ParseReal(const wxString& text, double* value);
wxString FormatSigned(const char* format, int64_t value);
wxString FormatUnsigned(const char* format, uint64_t value);
wxString FormatReal(const char* format, double value);

// The window's text, when it is a text entry (text control or combo box).
bool ReadText(wxWindow* window, wxString* text);
void WriteText(wxWindow* window, const wxString& text);
// The state of a check box or radio button.
bool ReadBool(wxWindow* window, bool* value);
bool WriteBool(wxWindow* window, bool value);
// The client data number behind the selected entry of a combo box or choice.
bool ReadSelectedNumber(wxWindow* window, int64_t* value);
// Selects the entry whose client data equals the value; false when none does.
bool SelectNumber(wxWindow* window, int64_t value);
bool HasNumberedEntries(wxWindow* window);

// Reads T from the control; false when the content does not convert.
template <class T>
bool Read(wxWindow* window, const char* /*format*/, T* value) {
  if constexpr (std::is_same_v<T, bool>) {
    if (ReadBool(window, value)) return true;
    wxString text;
    if (!ReadText(window, &text)) return false;
    int64_t number = 0;
    if (!ParseSigned(text, INT64_MIN, INT64_MAX, &number)) return false;
    *value = number != 0;
    return true;
  } else if constexpr (std::is_same_v<T, wxString>) {
    return ReadText(window, value);
  } else if constexpr (std::is_enum_v<T>) {
    int64_t number = 0;
    if (!ReadSelectedNumber(window, &number)) return false;
    *value = static_cast<T>(static_cast<std::underlying_type_t<T>>(number));
    return true;
  } else if constexpr (std::is_floating_point_v<T>) {
    wxString text;
    double number = 0;
    if (!ReadText(window, &text) || !ParseReal(text, &number)) return false;
    *value = static_cast<T>(number);
    return true;
  } else if constexpr (std::is_integral_v<T>) {
    int64_t selected = 0;
    if (HasNumberedEntries(window) && ReadSelectedNumber(window, &selected)) {
      *value = static_cast<T>(selected);
      return true;
    }
    wxString text;
    if (!ReadText(window, &text)) return false;
    if constexpr (std::is_signed_v<T>) {
      int64_t number = 0;
      if (!ParseSigned(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &number))
        return false;
      *value = static_cast<T>(number);
    } else {
      uint64_t number = 0;
      if (!ParseUnsigned(text, std::numeric_limits<T>::max(), &number)) return false;
      *value = static_cast<T>(number);
    }
    return true;
  } else {
    static_assert(sizeof(T) == 0, "no control conversion for this type");
  }
}

// Writes T into the control.
template <class T>
void Write(wxWindow* window, const char* format, const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    if (!WriteBool(window, value)) WriteText(window, value ? "1" : "0");
  } else if constexpr (std::is_same_v<T, wxString>) {
    WriteText(window, value);
  } else if constexpr (std::is_enum_v<T>) {
    SelectNumber(window, static_cast<int64_t>(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    WriteText(window, FormatReal(format ? format : "%G", value));
  } else if constexpr (std::is_integral_v<T>) {
    if (HasNumberedEntries(window) && SelectNumber(window, static_cast<int64_t>(value))) return;
    if constexpr (std::is_signed_v<T>)
      WriteText(window, FormatSigned(format ? format : "%d", value));
    else
      WriteText(window, FormatUnsigned(format ? format : "%u", value));
  }
}

}  // namespace control
