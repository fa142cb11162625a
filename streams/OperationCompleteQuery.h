#pragma once
// Commands of the serial, VISA and GPIB streams: a write that waits for
// operation complete sends "*OPC?" with the command and reads its answer.
#include <cstdint>
#include <string>
#include <string_view>

#include "streams/DeviceStreamSeparatedReadWrite.h"

// The command with "*OPC?" appended (after ";" unless the command is empty)
// when the write waits for operation complete.
std::string WithOperationCompleteQuery(std::string command, bool waitForOperationComplete);
// The text with the send terminator appended when it is enabled and the text
// does not already end with it.
std::string WithSendTermination(std::string text, const DeviceStreamSettings& settings);
// Reads the answer to "*OPC?" (at most ten characters) through the stream and
// logs it, with the read's status, under the stream's module.
void ReadOperationCompleteAnswer(DeviceStreamSeparatedReadWrite& stream, uint32_t hostContext, std::string_view module);
