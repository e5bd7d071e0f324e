// Which Error kind a failed WinHTTP send or receive stands for. Pure: the
// connectivity level is asked by the caller (through PlatformHooks), so every
// row can be tested without a network.
#pragma once

#include <cstdint>

namespace halvarin::sdk {

// Time-outs (WinHTTP's own and the socket one Wine reports) give kind 5,
// certificate and channel failures kind 6; anything else is an unreachable
// service (13) when the machine has internet access and a network failure
// (4) otherwise.
int32_t transport_error_kind(uint32_t error_code, int connectivity_level);

}  // namespace halvarin::sdk
