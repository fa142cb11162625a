#include "framework/ConfigurableBase.h"

#include "framework/TextBuffer.h"

Status ConfigurableBase::GetErrorString(uint32_t, uint32_t err, char* buffer, uint32_t bufferSize,
                                        uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  const char* text = nullptr;
  switch (err) {
    case ERR_REGEX_NO_MATCH_RETRIEVED:
      text = "A match could not be retrieved from a matched regular-expression.";
      break;
    case ERR_REGEX_OPTIONAL_NO_SELECTION:
      text = "An optional match in the regular expression is found, but there is no related selection.";
      break;
    case ERR_REGEX_NO_MATCH:
      text = "No match was found in the specified regular expression.";
      break;
    case ERR_REGEX_INVALID:
      text = "The specified regular expression is not valid. Please correct the regular expression to be correct.";
      break;
    case ERR_REGEX_INVALID_EXPRESSION:
      text = "The regular expression used is invalid. Please fill in the correct expression.";
      break;
    case ERR_REGEX_RESULT_NOT_FOUND:
      text = "The regular expression result can not be found. Please fill in the correct expression for the returned value.";
      break;
    case ERR_REGEX_TIMEOUT:
      text = "Timeout while waiting on a response that matches with the regular expression.";
      break;
    case ERR_REGEX_TRIGGER_CACHE_TOO_SMALL:
      text = "The trigger cache bitset is to small, please contact support for this problem.";
      break;
    default:
      break;
  }
  if (text) CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}
