#include "streams/manual/ManualDeviceStream.h"

#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/manual/ManualDeviceStreamConfiguration.h"

namespace {
constexpr std::string_view kModule = "ManualDeviceStream";

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(ManualDeviceStreamConfiguration::kTypeName,
                                                    [] { return std::make_shared<ManualDeviceStreamConfiguration>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(ManualDeviceStreamConfiguration::kTypeName,
                                             [] { return std::make_shared<ManualDeviceStream>(); });
}  // namespace

Status ManualDeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
  const bool correct =
      VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  if (!configuration) return streamstatus::kInvalidConfiguration;
  if (!correct) JournexEntry::Note("Connect", kModule, "Warning", "Connect(" + configuration->GetIDString() + ")");
  SetLockName(configuration->GetIDString());
  if (IsFirstUser(user)) SetConnectedFlag(true);
  RegisterUser(user);
  return 0;
}

Status ManualDeviceStream::Disconnect(uint32_t, StreamUser user) {
  if (RemoveUser(user) == 0) SetConnectedFlag(false);
  return 0;
}

Status ManualDeviceStream::Write(uint32_t hostContext, const std::string& text, bool) {
  std::lock_guard guard(writeLock_);
  std::string instruction = text;
  const DeviceStreamSettings& settings = Settings();
  if (settings.sendTerminationEnabled && !instruction.ends_with(settings.sendTermination))
    instruction += settings.sendTermination;
  JournexEntry::Note("Write", kModule, "Note", "Write(" + instruction + ")");
  PlatformMessageBox(hostContext, instruction, kTitle, kMbOk | kMbIconInformation);
  return 0;
}
