// FakeAccountService is the account service as the client's tests meet it: an
// HTTP/1.1 server on a loopback port, one request per connection (a head and
// a Content-Length body in; a Content-Length or chunked answer with
// "Connection: close" out). Requests are routed by method and path (default
// 404); an endpoint can be given a script of steps by attempt number (an
// answer, a delay, a close without answer, garbage, or the handler's effect
// followed by a dropped connection). Every request is logged with its
// steady-clock time, method, target, raw header lines and body.
//
// Written from the wire protocol, not from the client. Each connection runs
// on its own thread, joined once it has served when the next connection
// comes, so a long-lived service holds no more than the threads of the
// connections still open; reset() releases every held answer, closes the
// open connections, joins their threads and forgets routes, scripts and the
// log, so no test can leave one hanging. Thread-safe.
#pragma once

#include <winsock2.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace halvarin::sdk::test {

struct FakeRequest {
  // Steady clock, nanoseconds, when the whole request had arrived.
  int64_t time_ns = 0;
  std::string method;
  std::string target;
  // The header lines as sent, in order, without their CR LF.
  std::vector<std::string> header_lines;
  std::string body;

  // The value of the first header called `name` (case-insensitive), without
  // surrounding blanks; empty when there is none.
  std::string header(std::string_view name) const;
  // The position of that header among header_lines; -1 when absent.
  int header_index(std::string_view name) const;
};

struct FakeAnswer {
  int status = 200;
  // Extra header lines, such as "Content-Type: application/json".
  std::vector<std::string> header_lines;
  std::string body;
  // Sends the body as chunks instead of with a Content-Length.
  bool chunked = false;
};

enum class FakeAction {
  kAnswer,
  // The request is read and logged, then the connection is closed.
  kCloseWithoutAnswer,
  // Bytes that are no HTTP answer, then the connection is closed.
  kGarbage,
  // The handler runs (its effect happens), then the connection is closed.
  kPerformThenDrop,
};

struct FakeStep {
  FakeAction action = FakeAction::kAnswer;
  // For kAnswer: this answer instead of the handler's.
  std::optional<FakeAnswer> answer;
  // Held before acting; at most kLongestDelayMs, and cut short by reset().
  int delay_ms = 0;
};

using FakeHandler = std::function<FakeAnswer(const FakeRequest&)>;

class FakeAccountService {
 public:
  static constexpr int kLongestDelayMs = 10000;

  // Listens on 127.0.0.1:`port` (0: an ephemeral port).
  explicit FakeAccountService(uint16_t port = 0);
  ~FakeAccountService();
  FakeAccountService(const FakeAccountService&) = delete;
  FakeAccountService& operator=(const FakeAccountService&) = delete;

  bool listening() const { return port_ != 0; }
  uint16_t port() const { return port_; }

  void route(std::string method, std::string path, FakeHandler handler);
  // Step i answers attempt i (counted per method and path since the last
  // reset); attempts past the script take its last step.
  void script(std::string method, std::string path, std::vector<FakeStep> steps);

  std::vector<FakeRequest> requests() const;
  size_t request_count() const;
  // True once `count` requests have been logged (bounded real wait).
  bool wait_for_requests(size_t count, int timeout_ms = 5000) const;

  void reset();

 private:
  using Key = std::pair<std::string, std::string>;

  void accept_loop();
  void serve(SOCKET connection, uint64_t serial);
  // The threads of connections already served, taken out of
  // connection_threads_ for the caller to join. Under mutex_.
  std::vector<std::thread> take_finished_threads();
  FakeStep step_for(const FakeRequest& request);
  FakeAnswer handler_answer(const FakeRequest& request);
  // False when reset() released the hold.
  bool hold(int delay_ms);

  uint16_t port_ = 0;
  SOCKET listener_ = INVALID_SOCKET;
  bool winsock_started_ = false;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  // Raised by reset() while it closes connections; holds end when it moves.
  uint64_t generation_ = 0;
  std::map<Key, FakeHandler> routes_;
  std::map<Key, std::vector<FakeStep>> scripts_;
  std::map<Key, int> attempts_;
  std::vector<FakeRequest> log_;
  std::set<SOCKET> open_connections_;
  // By connection serial; the serials of the threads that have served.
  std::map<uint64_t, std::thread> connection_threads_;
  std::vector<uint64_t> finished_serials_;
  uint64_t next_serial_ = 0;
  std::thread accept_thread_;
};

}  // namespace halvarin::sdk::test
