// When an HTTP reply is complete, and its body.
#include <gtest/gtest.h>

#include "streams/StreamTestSupport.h"
#include "streams/http/HTTPDeviceStream.h"
#include "streams/http/HttpReply.h"

namespace {
TEST(HttpReply, CompleteWhenTheAnnouncedLengthOrALineEndHasArrived) {
  ASSERT_TRUE(EnsureWxRuntime());
  struct Case {
    const char* name;
    std::string reply;
    bool complete;
    std::string body;
  };
  const Case cases[] = {
      {"length reached", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", true, "abc"},
      {"length not reached", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc", false, "abc"},
      {"length without blank", "HTTP/1.1 200 OK\r\nContent-Length:2\r\n\r\nab", true, "ab"},
      {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true, ""},
      {"length on a later line", "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length: 2\r\n\r\nab", true, "ab"},
      {"header incomplete", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", false, ""},
      {"no length, line end", "HTTP/1.1 200 OK\r\n\r\n1.5\n", true, "1.5\n"},
      {"no length, carriage return", "HTTP/1.1 200 OK\r\n\r\n1.5\r", true, "1.5\r"},
      {"no length, no line end", "HTTP/1.1 200 OK\r\n\r\n1.5", false, "1.5"},
      {"no length, empty body", "HTTP/1.1 200 OK\r\n\r\n", false, ""},
      {"length only at a line start", "HTTP/1.1 200 OK\r\nX-Content-Length: 1\r\n\r\nab", false, "ab"},
      {"old server, bare line ends", "HTTP/1.0 200 OK\nContent-Length: 2\n\nab", true, "ab"},
      {"new server, bare line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nab", false, ""},
      {"blank line inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\na\r\n\r\nb", true, "a\r\n\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HttpReply::IsComplete(c.reply), c.complete);
    EXPECT_EQ(HttpReply::Body(c.reply), c.body);
  }
}

// (Commands with and without their slash: HttpStream.EachCommandIsOneGetRequestAndItsBodyTheAnswer.)
TEST(HttpReply, AnEmptyCommandRequestsTheRoot) {
  EXPECT_EQ(HTTPDeviceStream::Request("", "10.0.0.7:80"),
            "GET / HTTP/1.1\r\nHost: 10.0.0.7:80\r\nConnection: close\r\n\r\n");
}
}  // namespace
