#pragma once
// A Hubline switch card: puts its relays into the "during" set when a test
// starts its initialisation (event 3) and into the "after" set when the test
// has stopped (event 2), and answers the interlock request with an alive check.
#include <string>
#include <vector>

#include "drivers/hubline/HublineBase.h"
#include "framework/SwitchMatrixBase.h"
#include "settings/EnumClass.h"

SWM_ENUM(RelaisSettings, RelaisDoNotChange = 0, RelaisNormallyOpen = 1, RelaisNormallyClosed = 2)

class HublineSwitchBase : public HublineBase<SwitchMatrixBase> {
public:
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;

  HublineSwitchBase(const std::string& expectedIdentification, bool externalBoxesSupported);

  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  std::string AddressPrefix() const override { return "S"; }

  // Sends the relay commands of set 0 (during) or 1 (after).
  virtual Status SetRelays(int state) = 0;
  virtual Status AliveCheck();
  virtual std::string ModelName() const = 0;
  virtual int Count() const = 0;
  // The texts of the values 0, 1, … of an internal and of an external setting, as a dialog offers them.
  virtual std::vector<std::string> InternalChoiceTexts() const;
  virtual std::vector<std::string> ExternalChoiceTexts() const = 0;

  bool ExternalBoxesSupported() const { return externalBoxesSupported_; }

protected:
  bool externalBoxesSupported_;
};
