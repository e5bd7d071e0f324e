// TestBrowser plays the user's browser for the loopback listener of the
// sign-in. Its open() is the PlatformHooks::open_url member: it takes the
// authorize URL, reads the redirect URI's port from it and, from its own
// thread, makes the scripted visits to 127.0.0.1:<port>: each visit
// connects, sends its bytes, optionally stops sending, and reads whatever
// comes back until the listener closes the connection. A visit may instead
// first fetch the authorize URL from the service and follow its redirect to
// the listener. It speaks only the
// wire format and uses nothing of the code under test.
#pragma once

#include <winsock2.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halvarin::sdk::test {

struct BrowserVisit {
  // Sent right after connecting; "{host}" becomes "127.0.0.1:<port>".
  // Empty: a connection that stays silent.
  std::string request;
  // Shut the sending side down after the request, as a client that has
  // nothing more to say.
  bool stop_sending = false;
  // Instead of `request`: fetch the authorize URL over HTTPS (WinHTTP,
  // redirects not followed) and, when the service redirects to the
  // listener, request the Location's path and query there, as a browser
  // following the redirect does.
  bool follow_authorize = false;
  // When set, the followed Location is passed through it before the
  // browser requests it (a tampered or replayed redirect).
  std::function<std::string(const std::string& location)> rewrite_location = nullptr;
};

struct VisitOutcome {
  bool connected = false;
  // WSAGetLastError of a failed connect.
  int connect_error = 0;
  // Every byte the listener sent before closing.
  std::string answer;
  // The listener closed the connection: in order (a zero-byte read) or by a
  // reset. False when the browser gave up waiting.
  bool closed = false;
  bool reset = false;
  // For a followed authorize URL: the service's status (0 when the fetch
  // failed) and its Location header.
  int authorize_status = 0;
  std::string location;
};

class TestBrowser {
 public:
  // No visits: a browser that never connects.
  explicit TestBrowser(std::vector<BrowserVisit> visits = {}, bool opens = true);
  ~TestBrowser();
  TestBrowser(const TestBrowser&) = delete;
  TestBrowser& operator=(const TestBrowser&) = delete;

  // Records the URL and starts the visits; answers `opens` from the
  // constructor (false: a machine without a browser, nothing is visited).
  bool open(const std::wstring& url);

  // Waits (bounded) until open() was called / the first visit has
  // connected and sent its request / every visit is done; the outcomes are
  // complete after wait_finished().
  bool wait_opened(int timeout_ms = 10000);
  bool wait_connected(int timeout_ms = 10000);
  bool wait_finished(int timeout_ms = 20000);

  int open_calls();
  std::string authorize_url();
  uint16_t port();
  std::vector<VisitOutcome> outcomes();

 private:
  void visit_all();
  VisitOutcome visit(const BrowserVisit& visit);
  void read_answer(SOCKET connection, VisitOutcome& outcome);

  const std::vector<BrowserVisit> visits_;
  const bool opens_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int open_calls_ = 0;
  bool connected_ = false;
  bool finished_ = false;
  std::string url_;
  uint16_t port_ = 0;
  std::vector<VisitOutcome> outcomes_;
  std::thread thread_;
};

// Connects to 127.0.0.1:<port> and returns the connect error (0 when a
// listener accepted the connection).
int connect_error_on_port(uint16_t port);

}  // namespace halvarin::sdk::test
