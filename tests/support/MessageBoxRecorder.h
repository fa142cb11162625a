#pragma once
// Records every message box a driver shows and answers it with a chosen button.
#include <string>
#include <vector>

#include "platform/MessageBox.h"

struct ShownBox {
  uint32_t owner;
  std::string text;
  std::string title;
  uint32_t type;
};

class MessageBoxRecorder {
public:
  explicit MessageBoxRecorder(int answer = kIdOk) : answer_(answer) {
    SetMessageBoxHandler([this](uint32_t owner, const std::string& text, const std::string& title,
                                uint32_t type) {
      boxes.push_back({owner, text, title, type});
      return answer_;
    });
  }
  ~MessageBoxRecorder() { SetMessageBoxHandler({}); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void Answer(int answer) { answer_ = answer; }
  std::vector<ShownBox> boxes;

private:
  int answer_;
};
