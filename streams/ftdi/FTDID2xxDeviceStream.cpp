#include "streams/ftdi/FTDID2xxDeviceStream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "logging/JournexEntry.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/ftdi/FTD2xxStatus.h"
#include "streams/ftdi/FTDID2xxDeviceStreamConfiguration.h"

namespace {
constexpr std::string_view kModule = "FTDID2xxDeviceStream";

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(
        FTDID2xxDeviceStreamConfiguration::kTypeName,
        [] { return std::make_shared<FTDID2xxDeviceStreamConfiguration>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(FTDID2xxDeviceStreamConfiguration::kTypeName,
                                             [] { return std::make_shared<FTDID2xxDeviceStream>(); });

// printf-style formatting of one log text.
template <class... Args>
std::string Format(const char* format, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

uint32_t Milliseconds(double seconds) {
  if (!(seconds > 0.0)) return 0;
  return static_cast<uint32_t>(std::min(std::ceil(seconds * 1000.0), 3'600'000.0));
}
}  // namespace

FTDID2xxDeviceStream::~FTDID2xxDeviceStream() {
  std::lock_guard guard(chipLock_);
  chip_.CloseDevice();
}

Status FTDID2xxDeviceStream::Connect(uint32_t, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
  JournexEntry::Note("Connect", kModule, "Note", "Connect",
                     {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto d2xx = std::dynamic_pointer_cast<FTDID2xxDeviceStreamConfiguration>(configuration);
  if (!d2xx) return streamstatus::kInvalidConfiguration;
  SetLockName(d2xx->GetIDString());
  Status status = 0;
  if (IsFirstUser(user) && !ConnectedFlag()) {
    std::lock_guard guard(chipLock_);
    status = chip_.OpenDevice(d2xx->GetSerialNumber());
    SetConnectedFlag(status == 0);
    if (status == 0)
      JournexEntry::Note("Connect", kModule, "Note", "Connected to device");
    else
      JournexEntry::Note("Connect", kModule, "Error",
                         Format("Problems or errors ('%ld') connecting to the device", static_cast<long>(status)),
                         {{"Err", status}});
  }
  if (ConnectedFlag()) RegisterUser(user);
  return status;
}

Status FTDID2xxDeviceStream::Disconnect(uint32_t, StreamUser user) {
  if (RemoveUser(user) == 0 && ConnectedFlag()) {
    std::lock_guard guard(chipLock_);
    chip_.CloseDevice();
    SetConnectedFlag(false);
    JournexEntry::Note("Disconnect", kModule, "Note", "Disconnected from device");
  }
  return 0;
}

bool FTDID2xxDeviceStream::IsConnected() {
  std::lock_guard guard(chipLock_);
  return ConnectedFlag() && chip_.IsOpen();
}

Status FTDID2xxDeviceStream::Write(uint32_t, const std::string& text, bool) {
  SetLastSystemError(0);
  std::lock_guard guard(chipLock_);
  if (!ConnectedFlag() || !chip_.IsOpen()) {
    JournexEntry::Note("Write", kModule, "Error", "Trying to write to closed port");
    return streamstatus::kNotConnected;
  }
  JournexEntry::Note("Write", kModule, "Note", Format("Write(\"%.80s\")", text.c_str()));
  Settings().delayer.WaitForGap();
  const Status status = chip_.WriteBytes(text);
  Settings().delayer.Stamp();
  return status;
}

Status FTDID2xxDeviceStream::Read(uint32_t, std::string& text, size_t count) {
  text.clear();
  std::lock_guard guard(chipLock_);
  if (!ConnectedFlag() || !chip_.IsOpen()) return streamstatus::kNotConnected;
  const Status status = chip_.ReadBytes(&text, count, Milliseconds(Settings().timeoutSeconds), kQuietMs);
  Settings().delayer.Stamp();
  JournexEntry::Note("Read", kModule, status == 0 ? "Note" : "Error",
                     Format("Read(%d, %d, \"%.80s\")", static_cast<int>(count), static_cast<int>(text.size()),
                            text.c_str()),
                     {{"Err", status}});
  return status;
}

Status FTDID2xxDeviceStream::ClearInputBuffers(uint32_t) {
  std::lock_guard guard(chipLock_);
  return ConnectedFlag() ? chip_.Purge() : 0;
}

Status FTDID2xxDeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  const std::string own = FTD2xxBase::ErrorText(code);
  if (!own.empty()) {
    text = own;
    return 0;
  }
  if (code == streamstatus::kReadTimedOut) {
    text = "FTDI D2xx: the engine did not answer within the time-out.";
    return 0;
  }
  return DeviceStream::GetErrorString(hostContext, code, text);
}
