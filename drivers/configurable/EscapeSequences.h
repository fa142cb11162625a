#pragma once
// Escape sequences in commands typed by the user: "\\" is a backslash,
// "\n"/"\N" a line feed, "\r"/"\R" a carriage return, "\t"/"\T" a tab and
// "\x" with one or two hexadecimal digits the byte of that value. A
// backslash before anything else (or at the end of the text, or "\x"
// without a digit) stays as typed.
#include <string>

std::string DecodeEscapeSequences(const std::string& typed);
