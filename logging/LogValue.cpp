#include "logging/LogValue.h"

#include <wx/string.h>

LogValue::LogValue(std::string_view name, const wxString& text)
    : name_(name), kind_(Kind::Text), text_(text.utf8_string()) {}
