#include "streams/OperationCompleteQuery.h"

#include "logging/JournexEntry.h"

namespace {
constexpr size_t kAnswerCount = 10;
}  // namespace

std::string WithOperationCompleteQuery(std::string command, bool waitForOperationComplete) {
  if (waitForOperationComplete) {
    if (!command.empty()) command += ";";
    command += "*OPC?";
  }
  return command;
}

std::string WithSendTermination(std::string text, const DeviceStreamSettings& settings) {
  if (settings.sendTerminationEnabled && !text.ends_with(settings.sendTermination)) text += settings.sendTermination;
  return text;
}

void ReadOperationCompleteAnswer(DeviceStreamSeparatedReadWrite& stream, uint32_t hostContext, std::string_view module) {
  std::string answer;
  const Status read = stream.Read(hostContext, answer, kAnswerCount);
  JournexEntry::Note("Write", module, "Note", "Write(*OPC?)", {{"receivedInformation", answer}, {"Err", read}});
}
