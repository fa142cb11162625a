#pragma once
// The descriptor table of the simulated GPIB library, laid out as linux-gpib
// lays out its own: one table of 4096 entries per process, entries 0 to 15
// the boards configured in gpib.conf (descriptor = board index, set up when
// the configuration is first read), and every ibfind or ibdev taking a new
// entry from 16 upward that only ibonl(ud, 0) gives back.
#include <optional>
#include <string>

namespace simlib {

struct GpibUnit {
  bool board = false;
  int boardIndex = 0;
  int primary = 0;
  int secondary = 0;   // 0 or 96..126
  int timeoutCode = 13;
  int eot = 1;
  int eos = 0;
  std::string resource;  // devices: GPIBb::p[::s]::INSTR
};

constexpr int kBoardDescriptors = 16;
constexpr int kDescriptorTableSize = 4096;

// The board index configured under this name; exact match, letter case included.
std::optional<int> BoardNamed(const std::string& name);
// Whether gpib.conf configures this board index.
bool BoardConfigured(int index);
// A new descriptor (16 and up) for the unit; -1 when the table is full.
int OpenDescriptor(const GpibUnit& unit);
// Marks the descriptor as inside a call that locks its board; false when
// another thread is inside such a call on it (linux-gpib then aborts).
bool TakeDescriptorLock(int descriptor);
void ReleaseDescriptorLock(int descriptor);
std::optional<GpibUnit> Unit(int descriptor);
bool UpdateUnit(int descriptor, const GpibUnit& unit);
// Gives a descriptor of 16 and up back; board descriptors stay.
void CloseDescriptor(int descriptor);
// Milliseconds of an NI-488.2 time-out code (0: no limit).
int TimeoutMilliseconds(int code);

}  // namespace simlib
