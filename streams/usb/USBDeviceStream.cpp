#include "streams/usb/USBDeviceStream.h"

#include "logging/JournexEntry.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/usb/USBDeviceStreamConfiguration.h"
#include "streams/usb/USBStatus.h"
#include "streams/usb/USBZEVODeviceFinder.h"

namespace {
constexpr std::string_view kModule = "USBDeviceStream";

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(USBDeviceStreamConfiguration::kTypeName,
                                                    [] { return std::make_shared<USBDeviceStreamConfiguration>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(USBDeviceStreamConfiguration::kTypeName,
                                             [] { return std::make_shared<USBDeviceStream>(); });
}  // namespace

USBDeviceStream::~USBDeviceStream() { CloseEmbedded(0); }

Status USBDeviceStream::Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration,
                                StreamUser user) {
  JournexEntry entry("Connect", kModule);
  entry.LogBegin("Note", "Connect", {{"ID", configuration ? configuration->GetIDString() : std::string()}});
  VerifyCorrectConfigurationObject(configuration, configuration ? configuration->GetIDString() : std::string());
  auto usb = std::dynamic_pointer_cast<USBDeviceStreamConfiguration>(configuration);
  Status status = 0;
  if (!usb) {
    status = streamstatus::kInvalidConfiguration;
  } else {
    SetLockName(usb->GetIDString());
    if (IsFirstUser(user) && !ConnectedFlag()) {
      const std::string& identifier = usb->GetDeviceID();
      if (identifier.empty()) status = usbstatus::kNoDeviceIdentifier;
      std::string path;
      if (status == 0) path = USBZEVODeviceFinder().FindPort(identifier);
      if (status == 0 && path.empty()) status = usbstatus::kDeviceNotFound;
      if (status == 0) {
        auto serial = std::make_shared<RS232DeviceStreamConfiguration>();
        serial->SetDevicePath(path);
        auto stream = std::make_shared<RS232DeviceStream>();
        stream->SetStreamSettings(GetStreamSettings());  // the settings kept while detached
        status = stream->Connect(hostContext, serial, SelfKey());
        if (status == 0) {
          SetEmbeddedStream(stream);
          devicePath_ = path;
          SetConnectedFlag(true);
        }
      }
    }
    if (ConnectedFlag()) RegisterUser(user);
  }
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Path", devicePath_}, {"Users", UserCount()}, {"Err", status}});
  return status;
}

void USBDeviceStream::CloseEmbedded(uint32_t hostContext) {
  if (const std::shared_ptr<RS232DeviceStream> stream = GetEmbeddedStream()) {
    stream->Disconnect(hostContext, SelfKey());
    const DeviceStreamSettings kept = stream->GetStreamSettings();
    SetEmbeddedStream(nullptr);
    SetStreamSettings(kept);
  }
  SetConnectedFlag(false);
}

Status USBDeviceStream::Disconnect(uint32_t hostContext, StreamUser user) {
  JournexEntry::Note("Disconnect", kModule, "Note", "Disconnect()");
  if (RemoveUser(user) == 0 && ConnectedFlag()) CloseEmbedded(hostContext);
  return 0;
}

bool USBDeviceStream::IsConnected() {
  return ConnectedFlag() && GetEmbeddedStream() && GetEmbeddedStream()->IsConnected();
}

Status USBDeviceStream::Lock(uint32_t hostContext, double seconds) {
  Status status = DeviceStreamSeparatedReadWrite::Lock(hostContext, seconds);
  if (status != 0 || !GetEmbeddedStream()) return status;
  status = GetEmbeddedStream()->Lock(hostContext, seconds);
  if (status != 0) DeviceStreamSeparatedReadWrite::Unlock(hostContext);
  return status;
}

Status USBDeviceStream::Unlock(uint32_t hostContext) {
  Status status = GetEmbeddedStream() ? GetEmbeddedStream()->Unlock(hostContext) : 0;
  return FirstError(status, DeviceStreamSeparatedReadWrite::Unlock(hostContext));
}

Status USBDeviceStream::Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) {
  if (!IsConnected()) return streamstatus::kNotConnected;
  return GetEmbeddedStream()->Write(hostContext, text, waitForOperationComplete);
}

Status USBDeviceStream::Read(uint32_t hostContext, std::string& text, size_t count) {
  text.clear();
  if (!IsConnected()) return streamstatus::kNotConnected;
  return GetEmbeddedStream()->Read(hostContext, text, count);
}

std::string USBDeviceStream::ErrorText(Status code) {
  switch (code) {
    case usbstatus::kDeviceNotFound:
      return "USB: no attached FTDI serial port answers with the configured device identifier.";
    case usbstatus::kNoDeviceIdentifier: return "USB: no device identifier is configured.";
    default: return {};
  }
}

Status USBDeviceStream::GetErrorString(uint32_t hostContext, Status code, std::string& text) {
  if (const std::string own = ErrorText(code); !own.empty()) {
    text = own;
    return 0;
  }
  if (const std::shared_ptr<RS232DeviceStream> stream = GetEmbeddedStream())
    return stream->GetErrorString(hostContext, code, text);
  return DeviceStream::GetErrorString(hostContext, code, text);
}
