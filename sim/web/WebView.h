#pragma once
// The live view of a running bench in the browser: one page served on
// 127.0.0.1 with the state of every instrument, its recent commands and
// answers, and controls for its faults. Every request must carry the token
// made up for this run (as "?token=" or the header X-Swmsim-Token); other
// local accounts cannot watch the bench or switch its faults.
//
//   GET  /?token=T                 the page (HTML, CSS and script in one)
//   GET  /state?token=T            the bench as JSON
//   GET  /events?token=T           Server-Sent Events: the bench as JSON after every change
//   POST /fault?token=T&name=NAME  body: a fault text, as "swmsim ctl fault NAME TEXT"
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace sim {

class Simulator;

class WebView {
public:
  explicit WebView(Simulator& simulator);
  ~WebView();  // stops serving; open event streams end
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Serves on 127.0.0.1:port (0 picks a free one); returns an error text, empty on success.
  std::string Listen(uint16_t port);
  uint16_t Port() const { return port_; }
  const std::string& Token() const { return token_; }
  // What a browser opens: http://127.0.0.1:PORT/?token=TOKEN
  std::string Address() const;

private:
  struct Stream;
  bool Authorised(const std::string& token) const;
  // The next event of a stream: waits for a change (or a second), then
  // gives its text; empty when the view stops.
  std::string NextEvent(Stream& stream);
  void Stop();

  Simulator& simulator_;
  std::string token_;
  uint16_t port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::mutex stopLock_;
  std::condition_variable stopped_;
};

}  // namespace sim
