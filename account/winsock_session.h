// WinsockSession holds one Winsock start (version 2.2) for its lifetime and
// balances it with WSACleanup when it goes away, whatever path the owner
// leaves by. Owned by the thread that made it; not copyable or movable.
#pragma once

namespace halvarin::sdk {

class WinsockSession {
 public:
  // Calls WSAStartup; started() says whether it succeeded.
  WinsockSession();
  // Calls WSACleanup when the start succeeded.
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace halvarin::sdk
