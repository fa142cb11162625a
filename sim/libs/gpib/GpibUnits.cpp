#include "sim/libs/gpib/GpibUnits.h"

#include <pthread.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "sim/libs/gpib/GpibConfiguration.h"

namespace simlib {
namespace {

struct Table {
  std::array<std::unique_ptr<GpibUnit>, kDescriptorTableSize> entries;
  GpibBoards boards;
  std::optional<std::string> configuration;  // the IB_CONFIG the boards were read from
};

std::mutex tableLock;
// As linux-gpib's own fork handlers: a child gets the table whole and unlocked.
[[maybe_unused]] const int forkHandled = pthread_atfork([] { tableLock.lock(); }, [] { tableLock.unlock(); },
                                                        [] { tableLock.unlock(); });
// linux-gpib's "has_lock" of each descriptor; not under the table's lock, as
// linux-gpib's table has none.
std::array<std::atomic<bool>, kDescriptorTableSize> hasLock;

// The table, with the configured boards set up when the configuration is
// first read. Tests of one process may point IB_CONFIG elsewhere: the boards
// are then read again (descriptors of 16 and up stay as they are).
Table& TheTable() {
  static Table table;
  const char* variable = std::getenv("IB_CONFIG");
  const std::string configuration = variable ? variable : "";
  if (table.configuration == configuration) return table;
  table.configuration = configuration;
  table.boards = ReadGpibConfiguration();
  for (int index = 0; index < kBoardDescriptors; ++index) {
    auto& entry = table.entries[static_cast<size_t>(index)];
    entry.reset();
    if (!table.boards.count(index)) continue;
    entry = std::make_unique<GpibUnit>();
    entry->board = true;
    entry->boardIndex = index;
  }
  return table;
}

bool InRange(int descriptor) { return descriptor >= 0 && descriptor < kDescriptorTableSize; }

}  // namespace

std::optional<int> BoardNamed(const std::string& name) {
  std::lock_guard guard(tableLock);
  for (const auto& [index, boardName] : TheTable().boards)
    if (!boardName.empty() && boardName == name) return index;
  return std::nullopt;
}

bool BoardConfigured(int index) {
  std::lock_guard guard(tableLock);
  return TheTable().boards.count(index) != 0;
}

int OpenDescriptor(const GpibUnit& unit) {
  std::lock_guard guard(tableLock);
  Table& table = TheTable();
  for (int descriptor = kBoardDescriptors; descriptor < kDescriptorTableSize; ++descriptor) {
    auto& entry = table.entries[static_cast<size_t>(descriptor)];
    if (entry) continue;
    entry = std::make_unique<GpibUnit>(unit);
    return descriptor;
  }
  return -1;
}

bool TakeDescriptorLock(int descriptor) {
  return !InRange(descriptor) || !hasLock[static_cast<size_t>(descriptor)].exchange(true);
}

void ReleaseDescriptorLock(int descriptor) {
  if (InRange(descriptor)) hasLock[static_cast<size_t>(descriptor)] = false;
}

std::optional<GpibUnit> Unit(int descriptor) {
  std::lock_guard guard(tableLock);
  if (!InRange(descriptor) || !TheTable().entries[static_cast<size_t>(descriptor)]) return std::nullopt;
  return *TheTable().entries[static_cast<size_t>(descriptor)];
}

bool UpdateUnit(int descriptor, const GpibUnit& unit) {
  std::lock_guard guard(tableLock);
  if (!InRange(descriptor) || !TheTable().entries[static_cast<size_t>(descriptor)]) return false;
  *TheTable().entries[static_cast<size_t>(descriptor)] = unit;
  return true;
}

void CloseDescriptor(int descriptor) {
  std::lock_guard guard(tableLock);
  if (descriptor >= kBoardDescriptors && InRange(descriptor))
    TheTable().entries[static_cast<size_t>(descriptor)].reset();
}

int TimeoutMilliseconds(int code) {
  static const int kMilliseconds[] = {0,     1,      1,      1,      1,       1,
                                      3,     10,     30,     100,    300,     1000,
                                      3000,  10000,  30000,  100000, 300000,  1000000};
  if (code < 0 || code > 17) return 10000;
  return kMilliseconds[code];
}

}  // namespace simlib
