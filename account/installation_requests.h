// The account service's installation endpoints and the one way the client
// posts to them: a JSON body, the bearer token when there is one, and a
// single attempt (none of these requests is safe to repeat blindly).
// No state; safe on any thread.
#pragma once

#include <string_view>

#include "account/client_configuration.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

inline constexpr std::string_view kInitializePath = "/api/v1/auth/anonymous/initialize";
inline constexpr std::string_view kRestorePath = "/api/v1/auth/anonymous/restore";
inline constexpr std::string_view kClaimPath = "/api/v1/auth/installations/claim";
inline constexpr std::string_view kDisconnectPath = "/api/v1/auth/installations/disconnect";

// POSTs `body` as application/json to `path`; an empty `bearer_token` sends
// no Authorization header.
HttpResponse post_installation_request(const ClientConfiguration& configuration,
                                       std::string_view path, std::string_view body,
                                       std::string_view bearer_token, const PlatformHooks& hooks);

}  // namespace halvarin::sdk
