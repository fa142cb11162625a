#pragma once
// A serial port through termios: the device of COMn, line settings, and
// reads and writes with time-outs (poll). Statuses are 0 or the errno value.
#include <cstddef>
#include <cstdint>
#include <string>

struct SerialLineSettings {
  uint32_t baudRate = 9600;  // bits per second
  int dataBits = 8;          // 5 to 8
  int parity = 0;            // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stopBits = 0;          // 0 one, 1 one and a half (taken as two), 2 two
  bool dataTerminalReady = true;  // DTR (and RTS without hardware flow control) asserted
  bool hardwareFlowControl = false;  // RTS/CTS handshake
};

class SerialPort {
public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // The device of COMn: the entry COMn in $SWMATRIX_PORTS (default
  // /etc/swmatrix/ports) when it exists, else /dev/ttyS(n-1).
  static std::string DevicePath(int comPort);
  // How COMn maps to its device, for messages: "COM4 is /dev/ttyS3 (no link
  // COM4 in /etc/swmatrix/ports, the directory $SWMATRIX_PORTS names)" or
  // "COM5 is the link /x/ports/COM5 to /dev/pts/3".
  static std::string Mapping(int comPort);
  // The errno value of "no such port", for callers that map it.
  static int NoSuchPortError();

  // Opens the device for reading and writing, exclusively, without becoming
  // the controlling terminal; the port is left in raw mode.
  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Applies speed, character format and line controls.
  int Configure(const SerialLineSettings& settings);

  // Writes every byte, waiting up to timeoutMs in total for the line to take
  // them; *written tells how many went out (fewer on a time-out, status 0).
  int Write(const void* data, size_t size, uint32_t timeoutMs, size_t* written);
  // Reads up to size bytes: waits up to totalMs for them; once bytes came, a
  // pause longer than intervalMs (0: none) also ends the read. Status 0 with
  // fewer bytes when the time ran out.
  int Read(void* data, size_t size, uint32_t totalMs, uint32_t intervalMs, size_t* got);
  // Waits up to timeoutMs until a byte can be read; *ready false at the time-out.
  int WaitReadable(uint32_t timeoutMs, bool* ready);
  // Takes the bytes that have arrived, up to size, without waiting; EIO when
  // the line went away.
  int ReadAvailable(void* data, size_t size, size_t* got);
  // How many received bytes wait to be read (the input queue).
  int BytesWaiting(size_t* count);
  // Discards what was received and not read (input) and what was written and
  // not sent (output).
  int Purge(bool input, bool output);

private:
  int fd_ = -1;
};
