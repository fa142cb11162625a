#pragma once
// The stream client drivers hold: adds binary-block exchanges and the
// question which kind of communication the selected transport is.
#include <string>

#include "streams/DeviceStreamClientWithStreamBase.h"

class DeviceStreamClientWithStream : public DeviceStreamClientWithStreamBase {
public:
  // Writes the command and reads an answer of up to suggestedLength bytes
  // that may hold any byte: the receive terminator does not end it.
  virtual Status WriteReadBinaryBlock(uint32_t hostContext, const std::string& command, std::string& answer,
                                      size_t suggestedLength);
  // Whether the selected configuration is of the family ("GPIB", "Serial", "TCPIP").
  virtual bool GetUsedCommunication(const std::string& family) const;

  // The stream this client embeds (a decorator of the shared stream).
  std::shared_ptr<DeviceStreamBaseDecorator> Stream() const { return GetEmbeddedStream(); }
  // The shared transport stream below the decorator, or null.
  DeviceStreamPtr TransportStream() const;
  // The selected configuration, or null.
  DeviceStreamConfigurationPtr SelectedConfiguration() const { return Manager().GetSelectedConfiguration(); }
  // The selected configuration as the transport's configuration class, or null.
  template <class C>
  std::shared_ptr<C> SelectedConfigurationAs() const {
    return std::dynamic_pointer_cast<C>(SelectedConfiguration());
  }
};
