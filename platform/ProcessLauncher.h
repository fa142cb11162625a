#pragma once
// Starting other programs without a shell: a command line is split into
// words the way a POSIX shell splits them (blanks separate words; single
// quotes keep everything up to the next single quote; double quotes keep
// everything except that a backslash escapes ", \, $ and `; outside quotes
// a backslash takes the next character as it is), but nothing is expanded
// or interpreted: ; | & $( ) < > and globs are ordinary characters.
#include <string>
#include <vector>

// The words of the line; false for an unterminated quote or a trailing backslash.
bool SplitCommandLine(const std::string& line, std::vector<std::string>* words);

// Starts words[0] (looked up in PATH when it has no '/') with the words as
// its arguments and this process's environment, and waits until it ends.
// No descriptor beyond standard input, output and error is handed on, nor
// the host's blocked or ignored signals. A file without "#!" is run as a
// script of /bin/sh (as a shell runs it; the words are not interpreted).
// Returns 0 when it ran (whatever its exit code, given in *exitCode when
// not null, -1 for a signal), else the system's error number.
int RunProgramAndWait(const std::vector<std::string>& words, int* exitCode = nullptr);

// Hands a document (or URL) to "xdg-open", the desktop's opener, without
// waiting for it. 0 when it started, else the system's error number.
int OpenWithDesktop(const std::string& document);

// Whether the path names an existing file that is not a directory.
bool IsExistingFile(const std::string& path);
// Whether it names an existing file, not a directory, that this user may run.
bool IsExecutableFile(const std::string& path);

// The system's text of an error number.
std::string SystemErrorText(int error);
