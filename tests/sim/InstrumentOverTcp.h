#pragma once
// A simulator with one instrument on TCP and a client connected to it, which
// talks to the instrument the way a driver does.
#include <gtest/gtest.h>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"

namespace simtest {

class InstrumentOverTcp : public ::testing::Test {
protected:
  sim::Instrument& Start(sim::Simulator::Keys keys) {
    keys.insert(keys.begin(), {"transport", "tcp"});
    instrument_ = &simulator_.Add("dut", keys);
    client_ = ConnectTcp(instrument_->Endpoint().port);
    EXPECT_TRUE(client_.valid());
    return *instrument_;
  }
  // Sends a command with its line feed, as a driver frames it.
  void Tell(const std::string& command) { SendAll(client_.get(), command + "\n"); }
  // Tells a command and reads one answer line.
  std::string Ask(const std::string& command) {
    Tell(command);
    return ReadUntil(client_.get(), "\n");
  }

  sim::Simulator simulator_;
  sim::Instrument* instrument_ = nullptr;
  Fd client_;
};

}  // namespace simtest
