#include "account/send_with_retry.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "account/https_request.h"

namespace halvarin::sdk {
namespace {

constexpr char kCancelled[] = "The operation was cancelled.";
constexpr char kLoopEnded[] = "The transport retry loop ended unexpectedly.";

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kWaitSliceNs = 20 * kNsPerMs;
// Longer delays are not meaningful and would overflow in nanoseconds.
constexpr int64_t kLongestDelayMs = int64_t{24} * 3600 * 1000;

bool is_retried(const HttpResponse& response) {
  const int32_t kind = response.error.kind;
  return response.status >= 500 || kind == kErrorNetwork || kind == kErrorTimeout ||
         kind == kErrorServiceUnavailable;
}

// Waits `delay_ms` on `clock`; false when a stop was requested first. The
// stop is polled, not signalled: with this toolchain's runtime, destroying a
// std::stop_callback while another thread runs it can block for good.
bool wait_before_retry(quorvel::windows::Clock& clock, const std::stop_token& stop,
                       int64_t delay_ms) {
  if (delay_ms <= 0) return true;
  std::mutex mutex;
  std::condition_variable never_notified;
  std::unique_lock lock(mutex);
  const int64_t deadline = clock.now() + std::min(delay_ms, kLongestDelayMs) * kNsPerMs;
  for (;;) {
    if (stop.stop_requested()) return false;
    const int64_t now = clock.now();
    if (now >= deadline) return true;
    clock.wait_until(never_notified, lock, std::min(deadline, now + kWaitSliceNs));
  }
}

int64_t next_delay(int64_t delay, int64_t max_delay) {
  return delay > max_delay / 2 ? max_delay : std::min(2 * delay, max_delay);
}

}  // namespace

HttpResponse send_with_retry(const ClientConfiguration& configuration, std::string_view method,
                             std::string_view path, std::string_view body,
                             std::string_view content_type, std::string_view bearer_token,
                             bool retry_safe, const PlatformHooks& hooks) {
  const std::stop_token& stop = configuration.cancel_token;
  if (stop.stop_requested()) return transport_failure(kErrorCancelled, kCancelled);
  const RetryPolicy& policy = configuration.retry;
  if (policy.max_attempts < 1) return transport_failure(kErrorInternal, kLoopEnded);
  const bool repeatable = retry_safe || method == "GET";
  int64_t delay = policy.initial_delay;
  for (int32_t attempt = 1; attempt <= policy.max_attempts; ++attempt) {
    HttpResponse response =
        send_https_request(configuration, method, path, body, content_type, bearer_token, hooks);
    if (stop.stop_requested()) return transport_failure(kErrorCancelled, kCancelled);
    if (!repeatable || !is_retried(response) || attempt == policy.max_attempts) {
      return response;
    }
    if (!wait_before_retry(*hooks.steady_clock, stop, delay)) {
      return transport_failure(kErrorCancelled, kCancelled);
    }
    delay = next_delay(delay, policy.max_delay);
  }
  return transport_failure(kErrorInternal, kLoopEnded);
}

}  // namespace halvarin::sdk
