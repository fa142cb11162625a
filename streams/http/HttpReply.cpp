#include "streams/http/HttpReply.h"

#include <wx/log.h>
#include <wx/regex.h>

#include "settings/NarrowText.h"

size_t HttpReply::BodyStart(const std::string& reply) {
  size_t end = reply.find("\r\n\r\n");
  if (end != std::string::npos) end += 4;
  if (reply.compare(0, 8, "HTTP/1.0") == 0) {
    const size_t bare = reply.find("\n\n");
    if (bare != std::string::npos && (end == std::string::npos || bare + 2 < end)) end = bare + 2;
  }
  return end;
}

bool HttpReply::ContentLength(const std::string& header, size_t* length) {
  wxLogNull quiet;
  const wxRegEx lengthLine("^Content-Length:[ ]?([0-9]*)", wxRE_ADVANCED | wxRE_NEWLINE);
  const wxString text = WideFromNarrow(header);
  if (!lengthLine.IsValid() || !lengthLine.Matches(text)) return false;
  unsigned long long value = 0;
  if (!lengthLine.GetMatch(text, 1).ToULongLong(&value)) return false;
  if (length) *length = static_cast<size_t>(value);
  return true;
}

bool HttpReply::IsComplete(const std::string& reply) {
  const size_t start = BodyStart(reply);
  if (start == std::string::npos) return false;
  const size_t bodyLength = reply.size() - start;
  size_t announced = 0;
  if (ContentLength(reply.substr(0, start), &announced)) return bodyLength >= announced;
  return bodyLength > 0 && (reply.back() == '\n' || reply.back() == '\r');
}

std::string HttpReply::Body(const std::string& reply) {
  const size_t start = BodyStart(reply);
  return start == std::string::npos ? std::string() : reply.substr(start);
}
