#include "streams/DeviceStreamTypeRegistry.h"

#include <map>
#include <mutex>

namespace {
template <class Creator>
struct Registry {
  std::mutex lock;
  std::map<std::string, Creator> creators;

  bool Register(const std::string& name, Creator creator) {
    std::lock_guard guard(lock);
    creators[name] = std::move(creator);
    return true;
  }
  auto Create(const std::string& name) -> decltype(std::declval<Creator>()()) {
    Creator creator;
    {
      std::lock_guard guard(lock);
      auto found = creators.find(name);
      if (found == creators.end()) return nullptr;
      creator = found->second;
    }
    return creator();
  }
  std::vector<std::string> Names() {
    std::lock_guard guard(lock);
    std::vector<std::string> names;
    for (const auto& entry : creators) names.push_back(entry.first);
    return names;
  }
};

Registry<DeviceStreamTypeRegistry::ConfigurationCreator>& Configurations() {
  static Registry<DeviceStreamTypeRegistry::ConfigurationCreator> registry;
  return registry;
}

Registry<DeviceStreamTypeRegistry::StreamCreator>& Streams() {
  static Registry<DeviceStreamTypeRegistry::StreamCreator> registry;
  return registry;
}
}  // namespace

bool DeviceStreamTypeRegistry::RegisterConfiguration(const std::string& typeName, ConfigurationCreator creator) {
  return Configurations().Register(typeName, std::move(creator));
}

bool DeviceStreamTypeRegistry::RegisterStream(const std::string& typeName, StreamCreator creator) {
  return Streams().Register(typeName, std::move(creator));
}

DeviceStreamConfigurationPtr DeviceStreamTypeRegistry::CreateConfiguration(const std::string& typeName) {
  return Configurations().Create(typeName);
}

DeviceStreamPtr DeviceStreamTypeRegistry::CreateStream(const std::string& typeName) {
  return Streams().Create(typeName);
}

std::vector<std::string> DeviceStreamTypeRegistry::ConfigurationTypeNames() { return Configurations().Names(); }

std::vector<std::string> DeviceStreamTypeRegistry::StreamTypeNames() { return Streams().Names(); }
