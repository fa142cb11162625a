#pragma once
// Cuts the bytes a client sends into commands at the read terminator.
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/Terminator.h"

namespace sim {

class CommandFramer {
public:
  // Adds bytes of a byte stream; returns the commands completed by them,
  // without terminator. With no terminator every chunk is one command.
  std::vector<std::string> Feed(std::string_view bytes, Terminator terminator);
  // A whole message (a datagram, a bus write): the pieces between
  // terminators; a last piece without terminator counts as well.
  static std::vector<std::string> SplitMessage(std::string_view message, Terminator terminator);

  const std::string& Pending() const { return pending_; }
  void Clear() { pending_.clear(); }

private:
  std::string pending_;
};

}  // namespace sim
