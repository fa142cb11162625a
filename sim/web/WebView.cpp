#include "sim/web/WebView.h"

#include <httplib.h>

#include <chrono>
#include <random>

#include "sim/core/ControlServer.h"
#include "sim/core/Simulator.h"
#include "sim/web/BenchSnapshot.h"
#include "sim/web/WebPage.h"

namespace sim {
namespace {

using namespace std::chrono_literals;

// Snapshots of one stream are at least this far apart: a busy bench costs
// the simulator one snapshot per gap, not one per command.
constexpr auto kMinimumGap = 40ms;
// Without a change a stream still gets a snapshot this often (connections
// come and go without a command) or, when nothing differs, a comment that
// finds out whether the browser is still there.
constexpr auto kQuietInterval = 1000ms;

const char kRefused[] = "swmsim: this page needs the token of the 'web' line swmsim printed\n";
const char kPagePolicy[] =
    "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; connect-src 'self'; "
    "img-src data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

std::string MakeToken() {
  std::random_device entropy;
  std::string token;
  for (int i = 0; i < 8; ++i) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04x", entropy() & 0xFFFF);
    token += hex;
  }
  return token;
}

std::string JsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool IsName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
  return true;
}

}  // namespace

struct WebView::Stream {
  uint64_t seen = 0;
  bool started = false;
  std::string last;
  std::chrono::steady_clock::time_point lastSent;
};

WebView::WebView(Simulator& simulator)
    : simulator_(simulator), token_(MakeToken()), server_(std::make_unique<httplib::Server>()) {
  server_->set_keep_alive_timeout(1);
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (Authorised(request.get_param_value("token")) || Authorised(request.get_header_value("X-Swmsim-Token")))
      return httplib::Server::HandlerResponse::Unhandled;
    response.status = 403;
    response.set_content(kRefused, "text/plain");
    return httplib::Server::HandlerResponse::Handled;
  });
  server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_header("Content-Security-Policy", kPagePolicy);
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Cache-Control", "no-store");
    response.set_content(web::kViewPage, "text/html; charset=utf-8");
  });
  server_->Get("/state", [this](const httplib::Request&, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_content(JsonText(BenchSnapshot(simulator_)), "application/json");
  });
  server_->Get("/events", [this](const httplib::Request&, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    auto stream = std::make_shared<Stream>();
    response.set_chunked_content_provider("text/event-stream", [this, stream](size_t, httplib::DataSink& sink) {
      const std::string event = NextEvent(*stream);
      return !event.empty() && sink.write(event.data(), event.size());
    });
  });
  server_->Post("/fault", [this](const httplib::Request& request, httplib::Response& response) {
    const std::string name = request.get_param_value("name");
    const std::string& faults = request.body;
    std::string answer;
    if (!IsName(name)) {
      answer = "error no instrument name given";
    } else if (faults.find_first_of("\r\n") != std::string::npos || faults.size() > 1000) {
      answer = "error a fault text is one short line";
    } else {
      answer = ExecuteControlRequest(simulator_, "fault " + name + " " + faults);
    }
    const bool ok = answer.starts_with("ok ");
    response.status = ok ? 200 : 400;
    nlohmann::json reply = {{"ok", ok}};
    if (ok) {
      reply["faults"] = nlohmann::json::parse(answer.substr(3), nullptr, false);
    } else {
      reply["error"] = answer.starts_with("error ") ? answer.substr(6) : answer;
    }
    response.set_content(JsonText(reply), "application/json");
  });
}

WebView::~WebView() { Stop(); }

bool WebView::Authorised(const std::string& token) const {
  if (token.size() != token_.size()) return false;
  unsigned char differ = 0;  // the same time for every wrong token of this length
  for (size_t i = 0; i < token.size(); ++i) differ |= static_cast<unsigned char>(token[i] ^ token_[i]);
  return differ == 0;
}

std::string WebView::Listen(uint16_t port) {
  const int bound = port == 0 ? server_->bind_to_any_port("127.0.0.1")
                              : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) return "web: cannot listen on 127.0.0.1:" + std::to_string(port) + " (in use or not allowed)";
  port_ = static_cast<uint16_t>(bound);
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // The server only stops once it runs: until then a stop would be lost.
  // With its socket bound it runs at once and until stopped.
  while (!server_->is_running()) std::this_thread::sleep_for(1ms);
  return "";
}

std::string WebView::Address() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

std::string WebView::NextEvent(Stream& stream) {
  ChangeNotice& notice = simulator_.Notice();
  auto stopping = [this] { return stopping_.load(); };
  if (stream.started) {
    const uint64_t count = notice.WaitPast(stream.seen, kQuietInterval, stopping);
    if (stopping()) return "";
    if (count != stream.seen) {  // a change: wait out the gap, so later changes join this snapshot
      std::unique_lock guard(stopLock_);
      stopped_.wait_until(guard, stream.lastSent + kMinimumGap, stopping);
      if (stopping()) return "";
    }
  }
  stream.started = true;
  stream.seen = notice.Count();
  std::string text = JsonText(BenchSnapshot(simulator_));
  stream.lastSent = std::chrono::steady_clock::now();
  if (text == stream.last) return ": quiet\n\n";
  stream.last = text;
  return "data: " + text + "\n\n";
}

void WebView::Stop() {
  {
    std::lock_guard guard(stopLock_);
    stopping_ = true;
  }
  stopped_.notify_all();
  simulator_.Notice().WakeAll();
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
}

}  // namespace sim
