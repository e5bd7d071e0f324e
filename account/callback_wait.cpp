#include "account/callback_wait.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace halvarin::sdk {
namespace {

constexpr int64_t kNsPerMicrosecond = 1'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr int64_t kLatest = std::numeric_limits<int64_t>::max();

// deadline - now without overflow for any pair of clock readings.
int64_t remaining_until(int64_t deadline, int64_t now) {
  if (now >= deadline) return 0;
  if (now < 0 && deadline > kLatest + now) return kLatest;
  return deadline - now;
}

}  // namespace

int64_t callback_wait_slice_microseconds(int64_t remaining_ns) {
  if (remaining_ns <= 0) return 0;
  return std::min(remaining_ns / kNsPerMicrosecond, kCallbackWaitSliceMicroseconds);
}

int64_t callback_wait_deadline(int64_t start_ns, int64_t timeout_seconds) {
  if (timeout_seconds <= 0) return start_ns;
  const int64_t span =
      timeout_seconds >= kLatest / kNsPerSecond ? kLatest : timeout_seconds * kNsPerSecond;
  return start_ns > kLatest - span ? kLatest : start_ns + span;
}

CallbackWait::CallbackWait(std::shared_ptr<quorvel::windows::Clock> clock,
                           int64_t timeout_seconds, std::stop_token cancel_token,
                           std::stop_token stop_token)
    : clock_(clock ? std::move(clock) : quorvel::windows::make_steady_clock()),
      cancel_token_(std::move(cancel_token)),
      stop_token_(std::move(stop_token)),
      deadline_(callback_wait_deadline(clock_->now(), timeout_seconds)) {}

bool CallbackWait::stop_requested() const {
  return cancel_token_.stop_requested() || stop_token_.stop_requested();
}

CallbackWaitResult CallbackWait::until_readable(SOCKET socket) {
  for (;;) {
    if (stop_requested()) return CallbackWaitResult::kStopped;
    const int64_t remaining = remaining_until(deadline_, clock_->now());
    if (remaining <= 0) return CallbackWaitResult::kTimedOut;
    const int64_t slice = callback_wait_slice_microseconds(remaining);
    timeval timeout{static_cast<long>(slice / kMicrosecondsPerSecond),
                    static_cast<long>(slice % kMicrosecondsPerSecond)};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    const int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == SOCKET_ERROR) return CallbackWaitResult::kFailed;
    if (ready > 0) return CallbackWaitResult::kReadable;
  }
}

}  // namespace halvarin::sdk
