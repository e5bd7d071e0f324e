// The installation heartbeat: tells the account service's analytics which
// application version, client library version, Windows version,
// architecture and distribution channel this installation runs. The
// client sends it once it holds an access token and carries on whatever
// the outcome. No state; runs on the caller's thread.
#pragma once

#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

// The client library version the heartbeat reports.
inline constexpr std::string_view kSdkVersion = "1.0.0-rc.2";
inline constexpr std::string_view kHeartbeatPath = "/api/v1/analytics/heartbeat";

// Posts the heartbeat of the stored installation identity with `access_token`
// as bearer, once. Kind 0 when the service answers 204, and when nothing is
// to be sent (heartbeat disabled or no token).
Error send_heartbeat(const ClientConfiguration& configuration, std::string_view access_token,
                     const PlatformHooks& hooks = {});

// A transport failure as it is; otherwise kind 13 for a status of 500 or
// more and 12 below, with the body's "code", "message" (or "The analytics
// request was rejected.") and "request_id".
Error error_from_analytics_response(const HttpResponse& response);

}  // namespace halvarin::sdk
