#pragma once
// Adds to a client stack T the comparison of an instrument's identification
// answer with the expected response. A mismatch returns the mismatch code
// (0x30000096 unless changed) and keeps the answer for the error text; an
// identification query that got no answer at all is kNoAnswerCode.
#include <string>

#include "framework/Status.h"
#include "streams/IdentificationAnswer.h"

template <class T>
class IdentificationChecker : public T {
public:
  static constexpr Status kDefaultMismatchCode = 0x30000096;
  static constexpr Status kNoAnswerCode = 0x30000097;

  using T::T;

  // The mismatch text for the mismatch code; other codes go to T.
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override {
    if (code == mismatchCode_) {
      text = "The received identification of the device (\"" + receivedIdentification_ +
             "\") is not matching with the expected identification (\"" + expectedResponse_ + "\").";
      return 0;
    }
    if (code == kNoAnswerCode) {
      text = "Nothing answered the identification query (\"" + identificationQuery_ +
             "\") within the time-out: the device is silent, switched off or not connected.";
      return 0;
    }
    return T::GetErrorString(hostContext, code, text);
  }
  virtual void SetExpectedResponse(const std::string& expected) { expectedResponse_ = expected; }
  virtual void SetIdentificationQuery(const std::string& query) { identificationQuery_ = query; }

  const std::string& GetExpectedResponse() const { return expectedResponse_; }
  const std::string& GetIdentificationQuery() const { return identificationQuery_; }
  const std::string& GetReceivedIdentification() const { return receivedIdentification_; }
  Status GetMismatchCode() const { return mismatchCode_; }
  void SetMismatchCode(Status code) { mismatchCode_ = code; }

  // The status of an identification query that heard nothing.
  static Status NoIdentificationAnswer() { return kNoAnswerCode; }

  // The answer test: 0 when the answer matches the expected response, else
  // the mismatch code (the answer is then kept).
  Status CheckIdentificationAnswer(const std::string& answer) {
    if (IdentificationAnswerMatches(expectedResponse_, answer)) return 0;
    receivedIdentification_ = answer;
    return mismatchCode_;
  }

private:
  Status mismatchCode_ = kDefaultMismatchCode;
  std::string expectedResponse_;
  std::string identificationQuery_ = "*IDN?";
  std::string receivedIdentification_;
};
