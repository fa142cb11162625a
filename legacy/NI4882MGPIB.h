#pragma once
// A GPIB device that is also known to the service-request library: opening
// registers it (so that its SRQHandler is called when it asks for service),
// closing unregisters it, and the time of its last bus access is kept in
// that library.
#include "legacy/GPIBSRQLibrary.h"
#include "legacy/NI488GPIB.h"

class NI4882MGPIB : public NI488GPIB {
public:
  using NI488GPIB::NI488GPIB;
  ~NI4882MGPIB() override;

  // Loads both libraries, registers the device, then opens it as NI488GPIB does.
  Status OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                    int secondaryAddress) override;
  using NI488GPIB::OpenDevice;
  Status CloseDevice(HostWindow hWnd) override;
  // After a successful operation no service request is expected any more.
  Status AfterOperation(Status status) override;
  // SaveSendGPIB with the wait for operation complete.
  virtual Status SendWaitingForCompletion(HostWindow hWnd, const std::string& text);
  // Called on the library's thread with the status byte of the serial poll
  // that answered the device's service request. Nothing to do here.
  virtual void SRQHandler(int statusByte);

  std::string LoadFailureNote(Status status) const override;

  bool HasSrqHandler() const { return srqHandle_ > 0; }
  int SrqHandle() const { return srqHandle_; }
  const GPIBSRQLibrary& SrqLibrary() const { return srqLibrary_; }

protected:
  Status LoadLibraries() override;
  uint64_t LastAccess() const override;
  void NoteAccess(uint64_t microseconds) override;
  // Tells the library whether the device expects a service request now.
  void ExpectServiceRequest(bool expecting);
  // Unregisters the handler; waits for a call of it that is running.
  void UnregisterDevice();

  GPIBSRQLibrary srqLibrary_;

private:
  static void HandlerEntry(void* context, int statusByte);
  Status RegisterDevice();

  int srqHandle_ = 0;
};
