// Serial ports: the device of COMn, and reads and writes with time-outs on a
// pseudo-terminal (the test holds its master side).
#include "platform/SerialPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

TEST(SerialPort, ComPortsAreFoundInThePortsDirectoryElseAsTtyS) {
  TestDirectory directory;
  ScopedVariable ports("SWMATRIX_PORTS", directory.Path());
  std::filesystem::create_symlink("/dev/null", directory.File("COM4"));
  EXPECT_EQ(SerialPort::DevicePath(4), directory.File("COM4"));
  EXPECT_EQ(SerialPort::DevicePath(5), "/dev/ttyS4") << "no COM5 entry";
  EXPECT_EQ(SerialPort::DevicePath(1), "/dev/ttyS0") << "no COM1 entry";
  std::filesystem::create_symlink(directory.File("gone"), directory.File("COM6"));
  EXPECT_EQ(SerialPort::DevicePath(6), directory.File("COM6")) << "a dangling link is still the port";
}

TEST(SerialPort, ReadsWaitForBytesAndEndAtTheirTimes) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  SerialPort port;
  EXPECT_EQ(port.Open("/dev/null"), ENOTTY) << "not a terminal";
  EXPECT_EQ(port.Open("/nonexistent/tty"), ENOENT);
  ASSERT_EQ(port.Open(ptsname(master)), 0);
  SerialLineSettings settings;
  settings.baudRate = 19200;
  EXPECT_EQ(port.Configure(settings), 0);
  settings.baudRate = 12345;
  EXPECT_EQ(port.Configure(settings), EINVAL) << "not a standard rate";

  size_t count = 0;
  ASSERT_EQ(port.Write("ping", 4, 1000, &count), 0);
  EXPECT_EQ(count, 4u);
  char received[8] = {};
  ASSERT_EQ(read(master, received, sizeof received), 4);
  EXPECT_EQ(std::string(received, 4), "ping");

  char buffer[16];
  EXPECT_EQ(port.Read(buffer, sizeof buffer, 30, 10, &count), 0);
  EXPECT_EQ(count, 0u) << "nothing came within the time";
  ASSERT_EQ(write(master, "abc", 3), 3);
  EXPECT_EQ(port.Read(buffer, 3, 1000, 10, &count), 0);
  EXPECT_EQ(std::string(buffer, count), "abc");
  ASSERT_EQ(write(master, "de", 2), 2);
  EXPECT_EQ(port.Read(buffer, sizeof buffer, 2000, 10, &count), 0);
  EXPECT_EQ(std::string(buffer, count), "de") << "the pause after the bytes ends the read";

  ASSERT_EQ(write(master, "xyz", 3), 3);
  bool ready = false;
  EXPECT_EQ(port.WaitReadable(1000, &ready), 0);
  EXPECT_TRUE(ready);
  EXPECT_EQ(port.Purge(true, false), 0);
  EXPECT_EQ(port.WaitReadable(20, &ready), 0);
  EXPECT_FALSE(ready) << "the purge discarded the input";
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Write("x", 1, 10, &count), EBADF);
  close(master);
}
