#pragma once
// The expectations a host script states about its own run, checked by
// `swmhost run --check` after the last line ran:
//   # expect received INSTRUMENT TEXT   a command the simulated instrument
//                                       received holds TEXT (escaped as
//                                       `swmsim ctl received` prints it)
//   # expect output TEXT                swmhost printed TEXT
//   # expect file PATH [TEXT]           the run left a file PATH that is not
//                                       empty (and holds TEXT)
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

struct Expectation {
  std::string kind;  // received, output, file
  std::string rest;  // the words after the kind, as written
};

// The `# expect` lines of a script's text, in order.
std::vector<Expectation> ExpectationsOf(const std::string& script);

// Checks each expectation against what the run printed (and the simulator,
// and the files), writing "expect KIND REST -> ok" or "-> FAILED: why" for
// each; returns the number that failed.
int CheckExpectations(const std::vector<Expectation>& expectations, const std::string& printed, std::ostream& out);

// Passes everything written on to another stream buffer and keeps a copy.
class CopyingBuffer : public std::streambuf {
public:
  explicit CopyingBuffer(std::streambuf* target) : target_(target) {}
  const std::string& Copy() const { return copy_; }

protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override { return target_->pubsync(); }

private:
  std::streambuf* target_;
  std::string copy_;
};
