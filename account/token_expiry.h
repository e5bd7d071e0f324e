// When an access token issued now for `expires_in` seconds expires, in
// 100-ns ticks since 1970-01-01 UTC. Lifetimes no service gives are bounded
// so that the sum cannot overflow. A pure function.
#pragma once

#include <algorithm>
#include <cstdint>

namespace halvarin::sdk {

inline constexpr int64_t kTicksPerSecond = 10'000'000;
inline constexpr int64_t kLongestTokenLifetimeSeconds = INT64_MAX / (4 * kTicksPerSecond);

constexpr int64_t token_expiry(int64_t now_ticks, int64_t expires_in) {
  return now_ticks + std::min(expires_in, kLongestTokenLifetimeSeconds) * kTicksPerSecond;
}

}  // namespace halvarin::sdk
