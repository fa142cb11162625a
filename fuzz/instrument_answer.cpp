// Fuzzes what the device streams make of instrument answers: the parts of
// an HTTP reply, the identification answer test, the stripping of leading
// line ends and the device identifier of a USB instrument. The input is split in two at its first NUL byte (or in
// the middle): an expected identification and an answer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "streams/IdentificationAnswer.h"
#include "streams/WriteReadMixin.h"
#include "streams/http/HttpReply.h"
#include "streams/usb/DeviceIdentifier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // HTTP reply: the body is what follows the header end; a complete reply has one.
  const size_t start = HttpReply::BodyStart(text);
  const std::string body = HttpReply::Body(text);
  const bool complete = HttpReply::IsComplete(text);
  if (start == std::string::npos) {
    Check(body.empty());
    Check(!complete);
  } else {
    Check(start <= text.size());
    Check(body == text.substr(start));
    size_t length = 0;
    if (HttpReply::ContentLength(text.substr(0, start), &length)) Check(complete == (body.size() >= length));
  }

  // Identification: an answer that contains the expected text matches it.
  const size_t split = text.find('\0') != std::string::npos ? text.find('\0') : size / 2;
  const std::string expected = text.substr(0, split);
  const std::string answer = text.substr(split);
  IdentificationAnswerMatches(expected, answer);
  Check(IdentificationAnswerMatches(expected, answer + expected));
  Check(IdentificationAnswerMatches("", answer));

  // Stripping keeps a suffix that starts with neither line end.
  std::string stripped = text;
  StripLeadingNewLines(stripped);
  Check(stripped.empty() || (stripped[0] != '\r' && stripped[0] != '\n'));
  Check(text.size() >= stripped.size() && text.compare(text.size() - stripped.size(), stripped.size(), stripped) == 0);

  // A device identifier is a part of the answer: eight numbers and seven dots.
  const std::string identifier = DeviceIdentifierIn(text);
  if (!identifier.empty()) {
    Check(text.find(identifier) != std::string::npos);
    size_t dots = 0;
    for (char c : identifier) {
      Check(c == '.' || (c >= '0' && c <= '9'));
      dots += c == '.';
    }
    Check(dots == 7);
    Check(DeviceIdentifierIn("ID " + identifier + "\r\n") == identifier);
  }
  return 0;
}
