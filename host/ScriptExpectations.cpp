#include "ScriptExpectations.h"

#include <filesystem>
#include <sstream>

#include "DemoBench.h"
#include "SimulatorQuery.h"

namespace {
// Empty when the expectation holds, else why not.
std::string Failure(const Expectation& expectation, const std::string& printed) {
  const std::string& rest = expectation.rest;
  const size_t blank = rest.find(' ');
  const std::string first = rest.substr(0, blank);
  const std::string text = blank == std::string::npos ? "" : rest.substr(blank + 1);
  if (expectation.kind == "output") {
    return printed.find(rest) != std::string::npos ? "" : "swmhost did not print it";
  }
  if (expectation.kind == "file") {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(first, ignored) || std::filesystem::file_size(first, ignored) == 0)
      return "there is no file " + first + " (or it is empty)";
    return text.empty() || FileText(first).find(text) != std::string::npos ? "" : first + " does not hold it";
  }
  if (expectation.kind == "received") {
    if (text.empty()) return "received INSTRUMENT TEXT: no TEXT";
    const SimulatorAnswer answer = AskSimulator("received " + first);
    if (!answer.ok) return answer.error;
    const std::vector<std::string> commands = ReceivedCommandTexts(answer.value);
    for (const std::string& command : commands)
      if (command.find(text) != std::string::npos) return "";
    std::string why = first + " received no such command; it received";
    for (const std::string& command : commands) why += " '" + command + "'";
    return commands.empty() ? first + " received nothing" : why;
  }
  return "unknown expectation '" + expectation.kind + "' (received, output, file)";
}
}  // namespace

std::vector<Expectation> ExpectationsOf(const std::string& script) {
  std::vector<Expectation> expectations;
  std::istringstream lines(script);
  const std::string prefix = "# expect ";
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(prefix, 0) != 0) continue;
    const std::string body = line.substr(prefix.size());
    const size_t blank = body.find(' ');
    expectations.push_back({body.substr(0, blank), blank == std::string::npos ? "" : body.substr(blank + 1)});
  }
  return expectations;
}

int CheckExpectations(const std::vector<Expectation>& expectations, const std::string& printed, std::ostream& out) {
  int failed = 0;
  for (const Expectation& expectation : expectations) {
    const std::string why = Failure(expectation, printed);
    out << "expect " << expectation.kind << " " << expectation.rest << " -> " << (why.empty() ? "ok" : "FAILED: " + why)
        << "\n";
    if (!why.empty()) ++failed;
  }
  return failed;
}

CopyingBuffer::int_type CopyingBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  copy_.push_back(traits_type::to_char_type(c));
  return target_->sputc(traits_type::to_char_type(c));
}

std::streamsize CopyingBuffer::xsputn(const char* text, std::streamsize count) {
  copy_.append(text, static_cast<size_t>(count));
  return target_->sputn(text, count);
}
