#include "sim/libs/gpib/GpibUnits.h"

#include <cctype>
#include <map>
#include <mutex>

namespace simlib {
namespace {

std::mutex tableLock;
std::map<int, GpibUnit>& Table() {
  static std::map<int, GpibUnit> table;
  return table;
}

}  // namespace

std::optional<int> FindBoard(const std::string& name) {
  if (name.size() != 5) return std::nullopt;
  std::string upper;
  for (char c : name.substr(0, 4)) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  if (upper != "GPIB" || name[4] < '0' || name[4] > '3') return std::nullopt;
  const int index = name[4] - '0';
  std::lock_guard guard(tableLock);
  GpibUnit& unit = Table()[index];
  unit.board = true;
  unit.boardIndex = index;
  return index;
}

int OpenDevice(const GpibUnit& unit) {
  std::lock_guard guard(tableLock);
  for (int descriptor = kFirstDevice; descriptor <= kLastDevice; ++descriptor) {
    if (Table().count(descriptor)) continue;
    Table()[descriptor] = unit;
    return descriptor;
  }
  return -1;
}

std::optional<GpibUnit> Unit(int descriptor) {
  std::lock_guard guard(tableLock);
  auto found = Table().find(descriptor);
  if (found == Table().end()) return std::nullopt;
  return found->second;
}

bool UpdateUnit(int descriptor, const GpibUnit& unit) {
  std::lock_guard guard(tableLock);
  auto found = Table().find(descriptor);
  if (found == Table().end()) return false;
  found->second = unit;
  return true;
}

void CloseUnit(int descriptor) {
  std::lock_guard guard(tableLock);
  Table().erase(descriptor);
}

int TimeoutMilliseconds(int code) {
  static const int kMilliseconds[] = {0,     1,      1,      1,      1,       1,
                                      3,     10,     30,     100,    300,     1000,
                                      3000,  10000,  30000,  100000, 300000,  1000000};
  if (code < 0 || code > 17) return 10000;
  return kMilliseconds[code];
}

}  // namespace simlib
