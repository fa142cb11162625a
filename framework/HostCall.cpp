#include "framework/HostCall.h"

#include <atomic>

namespace {
std::atomic<uint64_t> calls{0};
thread_local uint64_t current = 0;
}  // namespace

namespace hostcall {
void Begin() { current = ++calls; }
void End() { current = 0; }
uint64_t Current() { return current; }
}  // namespace hostcall
