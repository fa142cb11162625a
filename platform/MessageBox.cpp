#include "platform/MessageBox.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {
uint32_t Buttons(uint32_t type) { return type & 0x0F; }

bool HasButton(uint32_t type, int id) {
  switch (Buttons(type)) {
    case kMbOkCancel: return id == kIdOk || id == kIdCancel;
    case kMbYesNoCancel: return id == kIdYes || id == kIdNo || id == kIdCancel;
    case kMbYesNo: return id == kIdYes || id == kIdNo;
    default: return id == kIdOk;
  }
}

int DefaultButton(uint32_t type) {
  const uint32_t buttons = Buttons(type);
  return buttons == kMbYesNoCancel || buttons == kMbYesNo ? kIdYes : kIdOk;
}

// The answer configured for unattended use, or 0 when none is set.
int ConfiguredAnswer() {
  const char* value = std::getenv("SWMATRIX_MESSAGEBOX");
  if (!value || !*value) return 0;
  if (!strcasecmp(value, "cancel")) return kIdCancel;
  if (!strcasecmp(value, "yes")) return kIdYes;
  if (!strcasecmp(value, "no")) return kIdNo;
  return kIdOk;
}

const char* AnswerName(int id) {
  switch (id) {
    case kIdCancel: return "cancel";
    case kIdYes: return "yes";
    case kIdNo: return "no";
    default: return "ok";
  }
}

int ShowDialog(const std::string& text, const std::string& title, uint32_t type) {
  long style = wxCENTRE;
  switch (Buttons(type)) {
    case kMbOkCancel: style |= wxOK | wxCANCEL; break;
    case kMbYesNoCancel: style |= wxYES_NO | wxCANCEL; break;
    case kMbYesNo: style |= wxYES_NO; break;
    default: style |= wxOK; break;
  }
  switch (type & 0xF0) {
    case kMbIconError: style |= wxICON_ERROR; break;
    case kMbIconQuestion: style |= wxICON_QUESTION; break;
    case kMbIconWarning: style |= wxICON_WARNING; break;
    case kMbIconInformation: style |= wxICON_INFORMATION; break;
    default: break;
  }
  wxMessageDialog dialog(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(title), style);
  switch (dialog.ShowModal()) {
    case wxID_CANCEL: return kIdCancel;
    case wxID_YES: return kIdYes;
    case wxID_NO: return kIdNo;
    default: return kIdOk;
  }
}

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

// Dialogs need a GUI runtime and a display. Without a display the module's
// start-up brings up a console runtime (a wxAppConsole, so the application is
// looked at through that base class), and dialogs are unavailable.
bool PlatformDialogsAvailable() {
  const wxAppConsole* const app = wxAppConsole::GetInstance();
  return app && app->IsGUI() && (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"));
}

int PlatformMessageBox(uint32_t owner, const std::string& text, const std::string& title,
                       uint32_t type) {
  if (Handler()) return Handler()(owner, text, title, type);
  int answer = ConfiguredAnswer();
  if (answer == 0 && PlatformDialogsAvailable()) return ShowDialog(text, title, type);
  if (answer == 0 || !HasButton(type, answer)) answer = DefaultButton(type);
  std::fprintf(stderr, "swmatrix message box \"%s\" answered %s:\n%s\n", title.c_str(),
               AnswerName(answer), text.c_str());
  return answer;
}
