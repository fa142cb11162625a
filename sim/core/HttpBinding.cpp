#include "sim/core/HttpBinding.h"

#include <cctype>
#include <sstream>

#include "sim/core/Instrument.h"

namespace sim {
namespace {
constexpr size_t kLargestHead = 65536;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::istringstream lines(head);
  std::string line;
  std::getline(lines, line);  // the request line
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < colon; ++i)
      same = same && std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
    if (!same) continue;
    std::string value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.erase(0, 1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value;
  }
  return "";
}

std::string HttpTargetToCommand(std::string_view target) {
  if (target.starts_with('/')) target.remove_prefix(1);
  std::string command;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size()) {
      const int high = HexDigit(target[i + 1]);
      const int low = HexDigit(target[i + 2]);
      if (high >= 0 && low >= 0) {
        command.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    command.push_back(target[i]);
  }
  return command;
}

void HttpBinding::OnData(Client& client, std::string_view bytes) {
  instrument_.RecordBytes(bytes);
  if (client.done) return;  // the request that closes the connection was answered
  client.request.append(bytes);
  size_t headEnd = client.request.find("\r\n\r\n");
  if (headEnd == std::string::npos) headEnd = client.request.find("\n\n");
  if (headEnd == std::string::npos) {
    if (client.request.size() > kLargestHead) {
      client.done = true;
      SendStatus(client, "431 Request Header Fields Too Large");
    }
    return;
  }
  const size_t afterHead = headEnd + (client.request.compare(headEnd, 4, "\r\n\r\n") == 0 ? 4 : 2);
  const std::string head = client.request.substr(0, headEnd);
  client.request.erase(0, afterHead);
  // A kept-alive connection takes the next request after this one.
  client.done = !instrument_.HttpKeepAlive() || HeaderValue(head, "Connection") == "close";
  Answer(client, head);
}

void HttpBinding::Answer(Client& client, const std::string& head) {
  std::istringstream lines(head);
  std::string requestLine;
  std::getline(lines, requestLine);
  if (!requestLine.empty() && requestLine.back() == '\r') requestLine.pop_back();
  std::istringstream words(requestLine);
  std::string method, target, version, extra;
  words >> method >> target >> version >> extra;
  if (method.empty() || target.empty() || !version.starts_with("HTTP/1.") || !extra.empty()) {
    SendStatus(client, "400 Bad Request");
    return;
  }
  if (method != "GET") {
    SendStatus(client, "405 Method Not Allowed", "Allow: GET\r\n");
    return;
  }
  // A strict server, as HTTP/1.1 asks: the request must name the host.
  if (instrument_.HttpRequireHost() && HeaderValue(head, "Host").empty()) {
    SendStatus(client, "400 Bad Request");
    return;
  }
  if (!instrument_.HttpStatus().empty()) {
    client.done = true;
    SendStatus(client, instrument_.HttpStatus());
    return;
  }
  const Reply reply = instrument_.HandleCommand(HttpTargetToCommand(target));
  if (reply.silent) return;  // the connection stays open and nothing comes
  const std::string body = reply.answered ? reply.bytes : "";
  const size_t bodyBytes = reply.answered ? reply.sendBytes : 0;
  std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
  if (instrument_.ContentLength()) response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  response += client.done ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
  response += body.substr(0, bodyBytes);
  // A body cut short leaves the connection open, as a stalled server would;
  // so does a kept-alive connection.
  const bool complete = bodyBytes == body.size();
  client.connection->Send(std::move(response), reply.delayMs, (complete && client.done) || reply.drop);
}

void HttpBinding::SendStatus(Client& client, const std::string& status,
                             const std::string& extraHeaders) {
  client.connection->Send("HTTP/1.1 " + status + "\r\n" + extraHeaders +
                              "Content-Length: 0\r\nConnection: close\r\n\r\n",
                          0, true);
}

}  // namespace sim
