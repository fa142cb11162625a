#pragma once
// The platform message box. Shown as a dialog when a display is available;
// otherwise, or when SWMATRIX_MESSAGEBOX is set (ok, cancel, yes, no), it is
// answered at once with that value, printed to standard error, never blocking.
#include <cstdint>
#include <string>

// Box types and answers, with the values hosts know from Windows.
enum : uint32_t {
  kMbOk = 0x00, kMbOkCancel = 0x01, kMbYesNoCancel = 0x03, kMbYesNo = 0x04,
  kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconWarning = 0x30, kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

int PlatformMessageBox(uint32_t owner, const std::string& text, const std::string& title,
                       uint32_t type);

// Replaces how boxes are answered (for tests that check what a driver shows);
// an empty function restores the normal behaviour.
#include <functional>
using MessageBoxHandler =
    std::function<int(uint32_t owner, const std::string& text, const std::string& title, uint32_t type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// True when dialogs can be shown (a GUI runtime with a display).
bool PlatformDialogsAvailable();
