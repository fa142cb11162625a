#pragma once
// A driver made of a driver base (a switch matrix, for example) and a stream
// client: settings load and save through both (the driver's members first,
// then the client's tables), error texts are looked up in the driver's own
// table first, then in the client's, then in the driver base's. The offered
// transports are named once, as a ";"-separated list.
#include <string>
#include <string_view>

#include "framework/DeviceDriverBase.h"
#include "framework/TextBuffer.h"
#include "streams/DeviceStreamClientWithStream.h"

template <class Driver, class Client = DeviceStreamClientWithStream>
class TwoBaseClasses : public Driver, public Client {
public:
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override {
    const uint32_t status = Driver::LoadProgramSettings(hostContext, store);
    const uint32_t client = Client::LoadProgramSettings(hostContext, store);
    return status != 0 ? status : client;
  }
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override {
    const uint32_t status = Driver::SaveProgramSettings(hostContext, store);
    const uint32_t client = Client::SaveProgramSettings(hostContext, store);
    return status != 0 ? status : client;
  }

  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override {
    ClearTextBuffer(buffer, bufferSize, read);
    std::string text = OwnErrorText(err);
    if (text.empty()) Client::GetErrorString(hWnd, err, text);
    if (text.empty()) return Driver::GetErrorString(hWnd, err, buffer, bufferSize, read);
    CopyTextToBuffer(text, buffer, bufferSize, read);
    return 0;
  }
  using Client::GetErrorString;

  // The text of one of the driver's own codes, empty for any other code.
  virtual std::string OwnErrorText(Status) { return ""; }

  // Offers each transport of a list such as "VISA;GPIB;RS-232"; a name whose
  // transport is not built into this module is left out.
  void OfferTransports(std::string_view list) {
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(';', start);
      if (end == std::string_view::npos) end = list.size();
      if (end > start) this->Manager().AddStreamConfiguration(std::string(list.substr(start, end - start)));
      start = end + 1;
    }
  }
  // Whether the stream is connected.
  bool StreamOpen() { return this->IsConnected(); }
};
