#pragma once
// The settings panel of the USB transports ("USBConfiguration"): the device
// ("ID_DEVICE": the identifier of an instrument on a virtual COM port, or
// the serial number of an FTDI chip) and the detection command
// ("ID_DETECT"), which lists the attached devices and, when exactly one is
// attached and identified, puts its identifier into "ID_DEVICE". Its
// findings are shown in a box titled "Device detection"; a listing that
// failed shows the finder's reason instead.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ValidatorSupport.h"
#include "streams/usb/GenericDeviceFinder.h"

class USBConfigurationPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kDeviceId = "ID_DEVICE";
  static constexpr const char* kDetectId = "ID_DETECT";
  static constexpr const char* kTitle = "Device detection";
  static constexpr const char* kNoDevice = "No device is detected!";
  static constexpr const char* kMultipleDevices =
      "Multiple device are detected. Only connect a single device, and re-perform the detection";
  static constexpr const char* kUnidentified =
      "A device is detected, however the identification of this device could not be determined. Please "
      "reconnect the device and re-perform the detection";

  using Getter = std::function<std::string()>;
  using Setter = std::function<void(const std::string&)>;
  using FinderFactory = std::function<std::unique_ptr<GenericDeviceFinder>()>;

  USBConfigurationPanel(Getter get, Setter set, FinderFactory finder)
      : get_(std::move(get)), set_(std::move(set)), finder_(std::move(finder)) {}

  // The identifier detection settles on, or empty with the text shown: the
  // listing's failure when there is one, else the text for no, several or an
  // unidentified device.
  static std::string Detect(const std::vector<FoundDevice>& devices, std::string* message,
                            const std::string& failure = {});
  // Runs the detection; fills "ID_DEVICE" or shows the box.
  void RunDetection();

protected:
  void BindControls() override;

private:
  Getter get_;
  Setter set_;
  FinderFactory finder_;
};
