// Whether the computer has internet access, as Windows sees it. The
// transport asks it to tell a network outage from an unreachable service.
// No state; call on any thread.
#pragma once

#include <cstdint>

namespace halvarin::sdk {

inline constexpr int kConnectivityUnknown = 0;
inline constexpr int kConnectivityNone = 1;
inline constexpr int kConnectivityLocalNetwork = 2;
inline constexpr int kConnectivityInternet = 3;

// Asks GetNetworkConnectivityHint (loaded at run time: systems before
// Windows 10 2004, and Wine, lack it). A missing function or a failed call
// gives kConnectivityUnknown.
int connectivity_hint();

// The level for a NL_NETWORK_CONNECTIVITY_LEVEL_HINT value: unknown and
// hidden give unknown, constrained internet access counts as internet.
int connectivity_level_of_hint(int32_t level_hint);

}  // namespace halvarin::sdk
