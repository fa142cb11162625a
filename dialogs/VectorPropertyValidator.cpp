#include "dialogs/VectorPropertyValidator.h"

namespace control {
std::vector<wxString> SplitLines(const wxString& text) {
  std::vector<wxString> pieces;
  wxString piece;
  for (const wxUniChar c : text) {
    if (c == '\r' || c == '\n') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}
}  // namespace control
