// Fuzzes what the relay box, the EUT controller, the Novotronik switch and
// the display make of their instruments' answers: the relay echo, the
// controller's OK / ERROR n, the pole of a switch in a status reply, the
// display's device error, and the display's placeholder table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "drivers/novotronik/NovotronikProtocol.h"
#include "drivers/osd/OSDAnswer.h"
#include "drivers/osd/OSDValueTable.h"
#include "drivers/stribel/StribelProtocol.h"
#include "drivers/zevo/ZevoStatusByte.h"
#include "platform/CLocale.h"

namespace {
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The relay echo: only the low four bits count.
  if (size >= 2) Check(zevo::EchoMatches(data[0], data[1]) == ((data[0] & 0x0F) == (data[1] & 0x0F)));

  // The controller: OK wins; ERROR gives its number; anything else is unreadable.
  const stribel::Evaluation evaluation = stribel::EvaluateAnswer(text);
  if (Contains(text, "OK")) {
    Check(evaluation.status == 0 && evaluation.errorNumber == 0);
  } else if (Contains(text, "ERROR")) {
    Check(evaluation.status == stribel::kControllerError);
    if (evaluation.errorNumber > 0 && evaluation.errorNumber < 2147483647)
      Check(Contains(text, std::to_string(evaluation.errorNumber)));
  } else {
    Check(evaluation.status == stribel::kInvalidResponse && evaluation.errorNumber == 0);
  }

  // A status reply: a pole is only ever read behind its own switch.
  const int switchNumber = size > 0 ? data[0] % 12 : 1;
  if (const std::optional<int> pole = Kovalex::devicedrivers::NOVOTRONIK::PoleInStatus(text, switchNumber)) {
    Check(*pole >= 0);
    Check(Contains(text, FormatC("S%02iP", switchNumber)));
  }

  // The display: a device error number is one of 0 to 255 and written in the answer.
  long number = -1;
  if (Kovalex::devicedrivers::MKMESSTECHNIK_OSD::DeviceErrorInAnswer(text, &number)) {
    Check(number >= 0 && number < 256);
    Check(Contains(text, "ERR"));
  }

  // The table: a text without placeholders comes back unchanged; a pair
  // given as text is kept.
  Kovalex::devicedrivers::MKMESSTECHNIK_OSD::OSDValueTable table;
  table.Apply(size > 1 ? data[1] % 90 : 7, static_cast<double>(size) * 1.5 - 20);
  const std::string substituted = table.Substitute(text);
  if (!Contains(text, "__")) Check(substituted == text);
  if (table.SetFromText(text)) Check(!table.Values().empty());
  return 0;
}
