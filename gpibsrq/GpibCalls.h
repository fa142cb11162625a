#pragma once
// The NI-488.2 calls the service-request library makes, from the same GPIB
// library the module loads ($SWMATRIX_GPIB_LIBRARY, else libgpib.so.0):
// loaded once, on first use.
namespace gpibsrq {

struct GpibCalls {
  int (*ibfind)(const char* name) = nullptr;
  int (*ibdev)(int board, int pad, int sad, int tmo, int eot, int eos) = nullptr;
  int (*ibonl)(int ud, int v) = nullptr;
  int (*ibtmo)(int ud, int code) = nullptr;
  int (*ibwait)(int ud, int mask) = nullptr;
  int (*ibrsp)(int ud, char* statusByte) = nullptr;
  int (*iblines)(int ud, short* lines) = nullptr;
  int (*ibask)(int ud, int option, int* value) = nullptr;
};

// Status word bits and iblines bits used here.
constexpr int kErr = 0x8000, kTimo = 0x4000, kSrqi = 0x1000, kRqs = 0x0800;
constexpr short kValidSrq = 0x20, kBusSrq = 0x2000;
constexpr int kRequestService = 0x40;  // the status byte's "requested service" bit
constexpr int kBoards = 16;            // board descriptors are the board indices 0 to 15
constexpr int kAskAutopoll = 0x7;      // ibask: whether the board polls its devices itself

// The calls; null when the library cannot be loaded or lacks one of them.
const GpibCalls* Gpib();

}  // namespace gpibsrq
