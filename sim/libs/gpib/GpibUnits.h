#pragma once
// The unit descriptors of the simulated GPIB library: boards (found by name,
// descriptor = board number) and devices (opened by address, descriptors
// from 32 on), shared by every thread of the process.
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

constexpr int kFirstDevice = 32;
constexpr int kLastDevice = 1023;

// A board unit for "GPIBn" (any case); nothing for other names.
std::optional<int> FindBoard(const std::string& name);
int OpenDevice(const GpibUnit& unit);  // -1 when the table is full
std::optional<GpibUnit> Unit(int descriptor);
bool UpdateUnit(int descriptor, const GpibUnit& unit);
void CloseUnit(int descriptor);
// Milliseconds of an NI-488.2 time-out code (0: no limit).
int TimeoutMilliseconds(int code);

}  // namespace simlib
