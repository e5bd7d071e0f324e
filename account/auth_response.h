// How an answer of the service's OAuth endpoints (token exchange, refresh,
// authorization context) that is not their success becomes an Error. No
// state; safe on any thread.
#pragma once

#include <string_view>

#include "account/error.h"
#include "account/http_response.h"

namespace halvarin::sdk {

inline constexpr std::string_view kTokenPath = "/oauth/token";
inline constexpr std::string_view kAuthorizationContextPath =
    "/api/v1/auth/installations/authorization-context";
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// A transport failure as it is; otherwise kind 13 for a status of 500 or
// more and kind 12 below, with the status, the body's "error" (else "code")
// as code, "error_description" (else "message", else "The Halvarin server
// rejected the request.") as message and "request_id".
Error error_from_auth_response(const HttpResponse& response);

}  // namespace halvarin::sdk
