#include "streams/IdentificationAnswer.h"

#include <wx/log.h>
#include <wx/regex.h>

#include "settings/NarrowText.h"

bool IdentificationAnswerMatches(const std::string& expected, const std::string& answer) {
  const wxString wideExpected = WideFromNarrow(expected);
  const wxString wideAnswer = WideFromNarrow(answer);
  if (wideAnswer.Upper().Find(wideExpected.Upper()) != wxNOT_FOUND) return true;
  wxLogNull quiet;  // an expected text that is no valid expression simply does not match
  wxRegEx expression;
  if (!expression.Compile(wideExpected, wxRE_ADVANCED | wxRE_ICASE)) return false;
  return expression.Matches(wideAnswer);
}
