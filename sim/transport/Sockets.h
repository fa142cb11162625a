#pragma once
// Socket calls of the simulator: loopback TCP and UDP servers, Unix stream
// sockets, and non-blocking reads and writes that never raise SIGPIPE.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/transport/FileDescriptor.h"

namespace sim::transport {

// The address a datagram came from, kept opaque for the code above.
struct PeerAddress {
  std::array<unsigned char, 128> storage{};
  uint32_t length = 0;
};

// The outcome of one non-blocking read or write.
struct IoResult {
  size_t count = 0;         // bytes moved
  bool wouldBlock = false;  // nothing can move now; wait for readiness
  bool closed = false;      // the peer closed (read) or the descriptor failed
  int error = 0;            // errno of a failure
};

// A listening TCP socket on 127.0.0.1; port 0 picks a free port. Non-blocking.
FileDescriptor ListenTcp(uint16_t port, uint16_t* boundPort, std::string* error);
// The next pending connection, non-blocking with Nagle's algorithm off; invalid when none waits.
FileDescriptor AcceptConnection(int listenFd);
// A TCP connection to 127.0.0.1:port (a loopback connect ends at once),
// non-blocking afterwards with Nagle's algorithm off; invalid on failure.
FileDescriptor ConnectLoopbackTcp(uint16_t port, std::string* error);
// A UDP socket bound to 127.0.0.1; port 0 picks a free port. Non-blocking.
FileDescriptor BindUdp(uint16_t port, uint16_t* boundPort, std::string* error);
// One datagram; false when none is waiting (or on error).
bool ReceiveDatagram(int fd, std::string* bytes, PeerAddress* from);
bool SendDatagram(int fd, std::string_view bytes, const PeerAddress& to);

// A listening Unix stream socket at path (a stale socket file there is replaced). Non-blocking.
FileDescriptor ListenUnix(const std::string& path, std::string* error);
// A blocking client connection to a Unix stream socket.
FileDescriptor ConnectUnix(const std::string& path, std::string* error);

IoResult ReadSome(int fd, char* buffer, size_t size);
// Socket writes use MSG_NOSIGNAL; other descriptors (pseudo-terminals) use write.
IoResult WriteSome(int fd, std::string_view bytes);
// Blocking write of every byte; false on failure.
bool WriteAll(int fd, std::string_view bytes);
// Waits until fd can be read (or written); false at the time-out.
bool WaitForReadable(int fd, int timeoutMs);
bool WaitForWritable(int fd, int timeoutMs);
// Reads up to a line feed (not included) within timeoutMs; false on time-out, end or error.
bool ReadLine(int fd, int timeoutMs, std::string* line);
// Ends a connection so that the peer reads every byte sent before it, then end of file.
void CloseGracefully(FileDescriptor& fd);
void SetNonBlocking(int fd);

}  // namespace sim::transport
