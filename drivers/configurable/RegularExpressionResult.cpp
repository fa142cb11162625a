#include "drivers/configurable/RegularExpressionResult.h"

#include <wx/log.h>
#include <wx/regex.h>

#include "framework/ConfigurableBase.h"
#include "settings/NarrowText.h"

Status ExtractRegularExpressionResult(const std::string& pattern, const std::string& answer, std::string& result) {
  result.clear();
  if (pattern.empty()) return ERR_REGEX_INVALID_EXPRESSION;
  wxLogNull quiet;  // an invalid pattern is reported by its status, not by a log box
  wxRegEx expression;
  if (!expression.Compile(WideFromNarrow(pattern), wxRE_ADVANCED | wxRE_ICASE)) return ERR_REGEX_INVALID_EXPRESSION;
  const wxString text = WideFromNarrow(answer);
  if (!expression.Matches(text)) return ERR_REGEX_RESULT_NOT_FOUND;
  const size_t group = expression.GetMatchCount() > 1 ? 1 : 0;
  size_t start = 0, length = 0;
  // A group that took no part in the match has no valid position.
  if (!expression.GetMatch(&start, &length, group) || start > text.length() || length > text.length() - start)
    return ERR_REGEX_OPTIONAL_NO_SELECTION;
  result = NarrowFromWide(text.Mid(start, length));
  return 0;
}
