#include "streams/IdentificationAnswer.h"

#include <wx/log.h>
#include <wx/regex.h>

namespace {
bool ValidUtf8(const std::string& text) {
  return text.empty() || !wxString::FromUTF8(text.data(), text.size()).empty();
}

// Both texts are read the same way: as UTF-8 when both are, else byte by
// byte (Latin-1), so that a text contained in the other stays contained.
wxString Decode(const std::string& text, bool utf8) {
  return utf8 ? wxString::FromUTF8(text.data(), text.size()) : wxString::From8BitData(text.data(), text.size());
}
}  // namespace

bool IdentificationAnswerMatches(const std::string& expected, const std::string& answer) {
  const bool utf8 = ValidUtf8(expected) && ValidUtf8(answer);
  const wxString wideExpected = Decode(expected, utf8);
  const wxString wideAnswer = Decode(answer, utf8);
  if (wideAnswer.Upper().Find(wideExpected.Upper()) != wxNOT_FOUND) return true;
  wxLogNull quiet;  // an expected text that is no valid expression simply does not match
  wxRegEx expression;
  if (!expression.Compile(wideExpected, wxRE_ADVANCED | wxRE_ICASE)) return false;
  return expression.Matches(wideAnswer);
}
