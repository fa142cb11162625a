#include "framework/StatusText.h"

#include "swmatrix/swmatrix.h"

std::string_view StatusText::Shared(uint32_t status) {
  switch (status) {
    case DRV_ERR_HOST_VERSION_TOO_OLD: return "The used Vantorix version is too old.";
    case DRV_ERR_TCP_RESPONSE_TOO_LARGE: return "The response of a TCPIP controlled device is larger than expected.";
    case DRV_ERR_VISA_NOT_FOUND: return "Could not find VISA32.DLL. Is VISA installed?";
    case DRV_ERR_NOT_IMPLEMENTED: return "The device driver does not implement this operation.";
    case DRV_ERR_UNKNOWN_SET_VALUE_ID: return "The device driver does not know this value ID (SetValue).";
    case DRV_ERR_UNKNOWN_GET_VALUE_ID: return "The device driver does not know this value ID (GetValue).";
    case DRV_ERR_WRONG_DEVICE: return "The device cannot be reached or does not identify as the expected device.";
    case DRV_ERR_UNKNOWN_INFO_ID: return "The device driver does not supply this information code.";
    case DRV_ERR_UNKNOWN_SETTING_ID: return "The device driver does not know this setting.";
    case DRV_ERR_DIALOG_UNAVAILABLE: return "The configuration dialog cannot be shown: no display is available.";
    case DRV_ERR_SETTINGS_NOT_SAVED: return "The configuration could not be saved.";
    default: return {};
  }
}
