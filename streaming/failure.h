// The exception of the RTMP client: every failure on the streaming thread
// leaves the connection by throwing one, carrying the code the streamer
// reports. `detail` names what was refused (a server's status code, say) for
// diagnostics and tests; the code alone decides what happens next.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace quorvel::windows {

inline constexpr int kFailureAborted = 0;
inline constexpr int kFailureNetwork = 1;
inline constexpr int kFailureTimeout = 2;
inline constexpr int kFailureProtocol = 3;
inline constexpr int kFailureRejected = 4;
inline constexpr int kFailureNotAccepted = 7;

class Failure : public std::exception {
 public:
  explicit Failure(int code, std::string detail = {}) : code(code), detail(std::move(detail)) {}
  const char* what() const noexcept override { return "RTMP connection failure"; }

  int code;
  std::string detail;
};

}  // namespace quorvel::windows
