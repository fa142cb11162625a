// Placeholder of the call-log scope until the log channel lands: keeps the
// begin/end bookkeeping and drops every record.
#include "logging/JournexEntry.h"

#include <wx/string.h>

#include <algorithm>

LogValue::LogValue(std::string_view name, const wxString& text)
    : name_(name), kind_(Kind::Text), text_(text.utf8_string()) {}

namespace {
std::string Sanitised(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), ';', '*');
  return out;
}
}  // namespace

JournexEntry::JournexEntry(std::string_view function, std::string_view module)
    : function_(Sanitised(function)), module_(Sanitised(module)) {}

JournexEntry::~JournexEntry() {
  if (begun_) LogEnd("Auto End");
}

bool JournexEntry::Enabled() { return false; }

void JournexEntry::LogBegin(std::string_view, std::string_view, Values, std::string_view) {
  ++beginCount_;
  begun_ = true;
}

void JournexEntry::LogEnd(std::string_view, std::string_view, Values, std::string_view) {
  ++endCount_;
  begun_ = false;
}

void JournexEntry::Log(std::string_view, std::string_view, Values, std::string_view) {}

void JournexEntry::Note(std::string_view, std::string_view, std::string_view, std::string_view,
                        Values, std::string_view) {}
