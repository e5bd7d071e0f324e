// CallbackWait is the patience of the browser step of the sign-in: it waits
// for a socket to become readable in slices of at most 200 ms, and between
// slices watches one deadline and two stop tokens (the configuration's
// cancel token and the sign-in's own). Every wait of the loopback listener,
// for the browser's connection and for each read of its request, goes
// through one CallbackWait, so no socket can hold the sign-in past a stop or
// the deadline. Used by the one thread that runs the browser step.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <stop_token>

#include "engine/clock.h"

namespace halvarin::sdk {

inline constexpr int64_t kCallbackWaitSliceMicroseconds = 200'000;

// The time-out of one select: the smaller of `remaining_ns` and 200 ms, in
// whole microseconds (truncated); 0 when nothing remains.
int64_t callback_wait_slice_microseconds(int64_t remaining_ns);

// start + timeout_seconds in nanoseconds, held at the largest time instead
// of overflowing; `start` itself when the time-out is not positive.
int64_t callback_wait_deadline(int64_t start_ns, int64_t timeout_seconds);

enum class CallbackWaitResult { kReadable, kStopped, kTimedOut, kFailed };

class CallbackWait {
 public:
  // The deadline is `timeout_seconds` from the clock's now.
  CallbackWait(std::shared_ptr<quorvel::windows::Clock> clock, int64_t timeout_seconds,
               std::stop_token cancel_token, std::stop_token stop_token);

  // Waits until `socket` is readable (kReadable), a stop is requested on
  // either token (kStopped), the deadline has come (kTimedOut) or select
  // fails (kFailed). The tokens are checked before the clock on each pass,
  // so a stop is noticed at the top of the pass after it was requested.
  CallbackWaitResult until_readable(SOCKET socket);

 private:
  bool stop_requested() const;

  std::shared_ptr<quorvel::windows::Clock> clock_;
  std::stop_token cancel_token_;
  std::stop_token stop_token_;
  int64_t deadline_ = 0;
};

}  // namespace halvarin::sdk
