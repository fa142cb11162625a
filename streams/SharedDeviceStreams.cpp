#include "streams/SharedDeviceStreams.h"

#include <map>
#include <mutex>

namespace {
struct Pool {
  std::mutex lock;
  std::map<std::string, std::weak_ptr<DeviceStream>> streams;
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

std::string Key(const std::string& typeName, const std::string& idString) { return typeName + '\n' + idString; }
}  // namespace

DeviceStreamPtr SharedDeviceStreams::Find(const std::string& typeName, const std::string& idString) {
  Pool& pool = ThePool();
  std::lock_guard guard(pool.lock);
  auto found = pool.streams.find(Key(typeName, idString));
  if (found == pool.streams.end()) return nullptr;
  DeviceStreamPtr stream = found->second.lock();
  if (!stream) pool.streams.erase(found);
  return stream;
}

void SharedDeviceStreams::Add(const std::string& typeName, const std::string& idString,
                              const DeviceStreamPtr& stream) {
  Pool& pool = ThePool();
  std::lock_guard guard(pool.lock);
  // Forget streams that have ended, so the map does not grow with them.
  for (auto entry = pool.streams.begin(); entry != pool.streams.end();)
    entry = entry->second.expired() ? pool.streams.erase(entry) : std::next(entry);
  pool.streams[Key(typeName, idString)] = stream;
}
