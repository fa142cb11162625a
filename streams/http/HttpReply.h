#pragma once
// The parts of an HTTP reply as it arrives: where the header ends, the
// length the header announces, whether all of the reply is there, and the
// body.
#include <cstddef>
#include <string>

class HttpReply {
public:
  // The index after the header end (the first "\r\n\r\n"; for an "HTTP/1.0"
  // reply also "\n\n"), or npos while the header is incomplete.
  static size_t BodyStart(const std::string& reply);
  // The value of a "Content-Length:" header line, when there is one.
  static bool ContentLength(const std::string& header, size_t* length);
  // The header is complete and so is the body: as long as Content-Length
  // says, or, without that header, ending with a line end.
  static bool IsComplete(const std::string& reply);
  // The text after the header end (empty while the header is incomplete).
  static std::string Body(const std::string& reply);
  // The status line's code and reason ("HTTP/1.1 500 Internal Server
  // Error": 500 and "Internal Server Error"); false without a status line.
  static bool StatusLine(const std::string& reply, int* code, std::string* reason);
};
