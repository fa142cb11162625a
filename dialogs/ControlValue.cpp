#include "dialogs/ControlValue.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/ctrlsub.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/textentry.h>
#include <wx/window.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "dialogs/wxGenericClientData.h"

namespace control {
namespace {
std::string Trimmed(const wxString& text) {
  std::string narrow = text.utf8_string();
  const size_t begin = narrow.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  const size_t end = narrow.find_last_not_of(" \t");
  return narrow.substr(begin, end - begin + 1);
}

// Integer format conversions are applied to the widest type of their signedness.
std::string WidenedIntegerFormat(const char* format, bool isSigned) {
  static const std::regex conversion("%[-+ #0]*[0-9]*(hh|h|ll|l|j|z|t)?[diouxX]");
  const std::string text = format;
  std::smatch match;
  if (!std::regex_search(text, match, conversion)) return isSigned ? "%" PRId64 : "%" PRIu64;
  std::string spec = match.str();
  const char kind = spec.back();
  spec.pop_back();
  if (match[1].matched) spec.erase(spec.size() - match[1].length());
  const char* length = isSigned ? PRId64 : PRIu64;
  std::string widened = spec + std::string(length).substr(0, std::string(length).size() - 1) + kind;
  return match.prefix().str() + widened + match.suffix().str();
}

wxString Printf(const std::string& format, auto value) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format.c_str(), value);
  return wxString::FromUTF8(buffer);
}

// The window as a C, or null. Not wxDynamicCast: that macro converts the
// pointer to C before it checks the class, which is undefined behaviour for
// a window of another class (the sanitizer reports it).
template <class C>
C* As(wxWindow* window) {
  return dynamic_cast<C*>(window);
}

wxItemContainer* Container(wxWindow* window) {
  if (auto* combo = As<wxComboBox>(window)) return combo;
  if (auto* choice = As<wxChoice>(window)) return choice;
  return nullptr;
}

wxGenericClientDataBase* Data(wxItemContainer* items, unsigned int index) {
  if (!items->HasClientObjectData()) return nullptr;
  return dynamic_cast<wxGenericClientDataBase*>(items->GetClientObject(index));
}
}  // namespace

bool ParseSigned(const wxString& text, int64_t minimum, int64_t maximum, int64_t* value) {
  const std::string narrow = Trimmed(text);
  if (narrow.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(narrow.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum) return false;
  *value = parsed;
  return true;
}

bool ParseUnsigned(const wxString& text, uint64_t maximum, uint64_t* value) {
  const std::string narrow = Trimmed(text);
  if (narrow.empty() || narrow[0] == '-') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(narrow.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed > maximum) return false;
  *value = parsed;
  return true;
}

bool ParseReal(const wxString& text, double* value) {
  const std::string narrow = Trimmed(text);
  if (narrow.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(narrow.c_str(), &end);
  if (errno == ERANGE || *end != '\0' || std::isnan(parsed)) return false;
  *value = parsed;
  return true;
}

wxString FormatSigned(const char* format, int64_t value) {
  return Printf(WidenedIntegerFormat(format, true), value);
}

wxString FormatUnsigned(const char* format, uint64_t value) {
  return Printf(WidenedIntegerFormat(format, false), value);
}

wxString FormatReal(const char* format, double value) { return Printf(format, value); }

bool ReadText(wxWindow* window, wxString* text) {
  if (auto* entry = dynamic_cast<wxTextEntry*>(window)) {
    *text = entry->GetValue();
    return true;
  }
  if (auto* spin = As<wxSpinCtrl>(window)) {
    *text = wxString::Format("%d", spin->GetValue());
    return true;
  }
  if (auto* choice = As<wxChoice>(window)) {
    *text = choice->GetStringSelection();
    return true;
  }
  return false;
}

void WriteText(wxWindow* window, const wxString& text) {
  if (auto* entry = dynamic_cast<wxTextEntry*>(window)) {
    entry->ChangeValue(text);
  } else if (auto* spin = As<wxSpinCtrl>(window)) {
    long number = 0;
    if (text.ToLong(&number)) spin->SetValue(static_cast<int>(number));
  } else if (auto* choice = As<wxChoice>(window)) {
    choice->SetStringSelection(text);
  }
}

bool ReadBool(wxWindow* window, bool* value) {
  if (auto* check = As<wxCheckBox>(window)) {
    *value = check->GetValue();
    return true;
  }
  if (auto* radio = As<wxRadioButton>(window)) {
    *value = radio->GetValue();
    return true;
  }
  return false;
}

bool WriteBool(wxWindow* window, bool value) {
  if (auto* check = As<wxCheckBox>(window)) {
    check->SetValue(value);
    return true;
  }
  if (auto* radio = As<wxRadioButton>(window)) {
    radio->SetValue(value);
    return true;
  }
  return false;
}

bool HasNumberedEntries(wxWindow* window) {
  wxItemContainer* items = Container(window);
  return items && items->GetCount() > 0 && Data(items, 0) != nullptr;
}

bool ReadSelectedNumber(wxWindow* window, int64_t* value) {
  wxItemContainer* items = Container(window);
  if (!items) return false;
  const int selection = items->GetSelection();
  if (selection == wxNOT_FOUND) return false;
  wxGenericClientDataBase* data = Data(items, static_cast<unsigned int>(selection));
  if (!data) return false;
  *value = data->Number();
  return true;
}

bool SelectNumber(wxWindow* window, int64_t value) {
  wxItemContainer* items = Container(window);
  if (!items) return false;
  for (unsigned int i = 0; i < items->GetCount(); ++i) {
    wxGenericClientDataBase* data = Data(items, i);
    if (data && data->Number() == value) {
      items->SetSelection(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

}  // namespace control
