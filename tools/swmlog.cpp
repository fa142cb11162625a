// swmlog: the log viewer. Binds the log channel and prints every record it
// receives, as an indented call tree or as JSON lines; with --capture it also
// writes what the instruments' streams wrote and read into a capture file
// (or makes that file from a saved JSON-lines log with --from).
#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "CallTreePrinter.h"
#include "JsonLinePrinter.h"
#include "LogRecordParser.h"
#include "LogViewer.h"
#include "WireCapture.h"
#include "platform/ProcessInfo.h"
#include "platform/UnixDatagramSocket.h"
#include "swmatrix/version.h"

namespace {
volatile sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

const char* kVersion = "swmlog (swmatrix) " SWMATRIX_VERSION "\n";

int Usage(std::ostream& out, int status, const std::string& why = "") {
  if (status != 0) {
    out << "swmlog: " << (why.empty() ? "wrong arguments" : why) << " (try 'swmlog --help')\n";
    return status;
  }
  out << "usage: swmlog [--socket PATH] [--json] [--module M] [--function F] [--type T] [--count N]\n"
         "              [--capture FILE [--from LOG]]\n"
         "  --socket PATH   the log channel to bind (default $SWMATRIX_LOG_SOCKET,\n"
         "                  else $XDG_RUNTIME_DIR/JournexSlot, else /tmp/JournexSlot-<uid>)\n"
         "  --json          one JSON object per record instead of the call tree\n"
         "  --module, --function, --type   show only records with this value (repeatable)\n"
         "  --count N       stop after N records were shown\n"
         "  --capture FILE  also write every instrument exchange into the capture FILE\n"
         "                  (the replay family of swmsim answers from it)\n"
         "  --from LOG      make the capture from a saved 'swmlog --json' log and exit\n";
  return status;
}

std::string DefaultSocketPath() {
  std::string path = ProcessInfo::Environment("SWMATRIX_LOG_SOCKET");
  if (!path.empty()) return path;
  const std::string runtimeDir = ProcessInfo::Environment("XDG_RUNTIME_DIR");
  if (!runtimeDir.empty()) return runtimeDir + "/JournexSlot";
  return "/tmp/JournexSlot-" + std::to_string(ProcessInfo::UserId());
}
}  // namespace

int main(int argc, char** argv) {
  std::string socketPath = DefaultSocketPath();
  bool json = false;
  long count = -1;
  RecordFilter filter;
  std::string capturePath, fromPath;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") return Usage(std::cout, 0);
    if (option == "--version") return std::cout << kVersion, 0;
    if (option == "--json") {
      json = true;
      continue;
    }
    if (i + 1 >= argc) return Usage(std::cerr, 2);
    const std::string value = argv[++i];
    if (option == "--socket") socketPath = value;
    else if (option == "--capture") capturePath = value;
    else if (option == "--from") fromPath = value;
    else if (option == "--module") filter.AddModule(value);
    else if (option == "--function") filter.AddFunction(value);
    else if (option == "--type") filter.AddType(value);
    else if (option == "--count") {
      char* end = nullptr;
      count = std::strtol(value.c_str(), &end, 10);
      if (*end || count < 0) return Usage(std::cerr, 2);
    } else {
      return Usage(std::cerr, 2, "unknown option '" + option + "'");
    }
  }

  if (!fromPath.empty() && capturePath.empty()) return Usage(std::cerr, 2, "--from needs --capture");
  std::ofstream captureFile;
  if (!capturePath.empty()) {
    captureFile.open(capturePath, std::ios::binary | std::ios::trunc);
    if (!captureFile) {
      std::cerr << "swmlog: cannot write " << capturePath << "\n";
      return 1;
    }
  }
  if (!fromPath.empty()) {
    std::ifstream log(fromPath, std::ios::binary);
    if (!log) {
      std::cerr << "swmlog: cannot read " << fromPath << "\n";
      return 1;
    }
    std::string error;
    if (!WireCapture::FromJsonLog(log, captureFile, &error)) {
      std::cerr << "swmlog: " << fromPath << ": " << error << "\n";
      return 1;
    }
    return captureFile.flush() ? 0 : 1;
  }
  std::optional<WireCapture> capture;
  if (captureFile.is_open()) capture.emplace(captureFile);

  UnixDatagramSocket socket;
  std::string error;
  if (!socket.Bind(socketPath, &error)) {
    std::cerr << "swmlog: cannot bind " << socketPath << ": " << error << "\n";
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  std::cerr << "swmlog: listening on " << socketPath << std::endl;

  std::unique_ptr<RecordPrinter> printer;
  if (json) printer = std::make_unique<JsonLinePrinter>();
  else printer = std::make_unique<CallTreePrinter>();
  LogViewer viewer(std::move(printer), std::move(filter));
  std::string datagram;
  long shown = 0;
  // On a stop request the records already waiting in the socket are still
  // taken, so that a capture ends with the last exchange of a host that has exited.
  bool stopping = false;
  while (count < 0 || shown < count) {
    if (stopRequested) stopping = true;
    const auto result = socket.Receive(&datagram, stopping ? 0 : 200);
    if (result == UnixDatagramSocket::ReceiveResult::Failed) {
      std::cerr << "swmlog: receiving failed\n";
      return 1;
    }
    if (result != UnixDatagramSocket::ReceiveResult::Received) {
      if (stopping) break;
      continue;
    }
    if (capture) {
      LogRecord record;
      if (LogRecordParser::Parse(datagram, &record, nullptr))
        for (const WireTransfer& transfer : WireCapture::TransfersOf(record)) capture->Add(transfer);
      if (!captureFile) {
        std::cerr << "swmlog: writing " << capturePath << " failed\n";
        return 1;
      }
    }
    if (viewer.Handle(datagram, std::cout)) ++shown;
    std::cout.flush();
    if (!std::cout) return 1;  // the reader of our output went away
  }
  return 0;
}
