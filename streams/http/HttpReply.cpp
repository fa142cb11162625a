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

bool HttpReply::StatusLine(const std::string& reply, int* code, std::string* reason) {
  const size_t lineEnd = reply.find_first_of("\r\n");
  if (lineEnd == std::string::npos || reply.compare(0, 5, "HTTP/") != 0) return false;
  const std::string line = reply.substr(0, lineEnd);
  const size_t space = line.find(' ');
  if (space == std::string::npos || space + 4 > line.size()) return false;
  int value = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
    value = value * 10 + (line[i] - '0');
  }
  if (space + 4 < line.size() && line[space + 4] != ' ') return false;
  *code = value;
  *reason = space + 5 < line.size() ? line.substr(space + 5) : std::string();
  return true;
}
