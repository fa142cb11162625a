#pragma once
// Data transfer on the descriptor of a connected stream socket (the one a
// wxSocketClient opened, from GetSocket()). The wxWidgets socket calls
// re-arm event notifications and switch blocking modes around every
// transfer, several system calls each; these take one system call per step,
// so that an exchange costs little more than the bare round trip. The
// descriptor stays non-blocking, as wxWidgets leaves it.
#include <cstddef>

enum class SocketTransfer {
  kDone,      // the step succeeded
  kTimedOut,  // nothing happened within the time (or nothing is there to read)
  kClosed,    // the other end closed or reset the connection
  kFailed,    // another error (its errno in *error)
  kInterrupted,  // a signal ended a wait that would have started again in full
};

// Sends every byte, waiting for room when the send buffer is full, at most
// timeoutMs in all (signals do not lengthen the waits). Never raises SIGPIPE.
SocketTransfer SocketSendAll(int fd, const char* data, size_t size, int timeoutMs, int* error);
// Waits up to timeoutMs until something can be read (data, or the end of the
// connection); a signal does not lengthen the wait.
SocketTransfer SocketWaitReadable(int fd, int timeoutMs, int* error);
// Takes what has arrived, without waiting: kDone with *received > 0,
// kTimedOut when nothing is there, kClosed at the end of the connection.
SocketTransfer SocketReceive(int fd, char* buffer, size_t size, size_t* received, int* error);
// Whether the other end has closed (or reset) the connection, even with
// bytes still waiting to be read; looks without taking or waiting.
bool SocketPeerClosed(int fd);
// Drops everything that has arrived: kDone, or kClosed / kFailed.
SocketTransfer SocketDiscard(int fd, int* error);

// Makes receives without MSG_DONTWAIT wait for data, at most timeoutMs (0:
// without limit), so that waiting and reading take one system call.
bool SocketSetReceiveWait(int fd, int timeoutMs);
// Waits for data as set by SocketSetReceiveWait and takes what arrived:
// kDone with *received > 0, kTimedOut, kClosed or kFailed; kInterrupted when a
// signal cut the wait short (wait for the rest with SocketWaitReadable).
SocketTransfer SocketReceiveWaiting(int fd, char* buffer, size_t size, size_t* received, int* error);
// Ends the receiving side of a connection: a receive waiting on it returns
// at once with the end of the connection, and so does every later one.
void SocketShutdownReceive(int fd);
