#include "streams/rsib/RSIBDeviceStreamConfig.h"

#include "streams/rsib/RSIBConfigurationDialog.h"
#include "streams/rsib/RSIBDeviceStream.h"
#include "streams/rsib/RSIBStatus.h"

namespace {
constexpr const char* kTables[] = {"0", "RSIB"};

// Only the transport's own block: time-out texts come from the stream that timed out.
std::string OwnText(Status code) {
  if (code < rsibstatus::kNoLibraryWrapper || code > rsibstatus::kServiceRequestFailed) return {};
  return RSIBDeviceStream::ErrorText(code);
}

constexpr SingleTextSetting kSetting{.typeName = RSIBDeviceStreamConfig::kTypeName,
                                     .family = "RSIB",
                                     .panelName = RSIBDeviceStreamConfig::kPanelName,
                                     .tables = kTables,
                                     .key = "Address",
                                     .defaultText = RSIBDeviceStreamConfig::kDefaultAddress,
                                     .idPrefix = "RSIB:",
                                     .logModule = "RSIBDeviceStreamConfig",
                                     .logName = "RSIB",
                                     .statusText = OwnText};
}  // namespace

RSIBDeviceStreamConfig::RSIBDeviceStreamConfig() : SingleTextStreamConfiguration(kSetting) {}

ValidatorBasedPanel* RSIBDeviceStreamConfig::CreateConfigurationPanel() {
  return new DeviceStreamConfigurationRSIBConfigurationDialog(this);
}
