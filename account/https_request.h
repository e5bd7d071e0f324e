// send_https_request: one HTTP exchange with the account service over
// WinHTTP, with the configuration's time-outs, the client's fixed headers, a
// 1 MiB answer limit and cancellation through the configuration's
// cancel_token. Every service request goes through send_with_retry, which
// calls this once per attempt. Call on any thread; no state is shared
// between calls.
#pragma once

#include <cstddef>
#include <string_view>

#include "account/client_configuration.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

inline constexpr std::wstring_view kUserAgent = L"HalvarinSDK/0.2";
// The largest response body accepted.
inline constexpr size_t kResponseLimit = 1048576;

// Sends `method` to the path of `base_url` followed by `path` and returns the
// status and body, or a transport Error (kinds 2, 3, 4, 5, 6, 11, 13). Empty
// `body`, `content_type` or `bearer_token` send no body, no Content-Type and
// no Authorization header. The transport does not validate the
// configuration; its callers do. `hooks` gives the connectivity level that
// tells a network failure from an unreachable service.
HttpResponse send_https_request(const ClientConfiguration& configuration,
                                std::string_view method, std::string_view path,
                                std::string_view body, std::string_view content_type,
                                std::string_view bearer_token, const PlatformHooks& hooks = {});

// The transport's Error record of `kind` with `message`.
HttpResponse transport_failure(int32_t kind, const char* message, int32_t status = 0);

}  // namespace halvarin::sdk
