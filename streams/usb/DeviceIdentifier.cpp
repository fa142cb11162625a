#include "streams/usb/DeviceIdentifier.h"

#include <wx/regex.h>

std::string DeviceIdentifierIn(const std::string& answer) {
  // Bytes as Latin-1, so that no answer is lost to a failed UTF-8 decoding.
  const wxString text(answer.data(), wxConvISO8859_1, answer.size());
  wxRegEx pattern(kDeviceIdentifierPattern, wxRE_EXTENDED);
  if (!pattern.IsValid() || !pattern.Matches(text)) return {};
  return pattern.GetMatch(text, 1).ToStdString(wxConvISO8859_1);
}
