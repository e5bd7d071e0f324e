// The anonymous session that the account service opens for an installation
// before anybody signs in, and how the client reads it from the service's
// answer: the answer must name the installation that asked and carry a user
// id, both tokens and a positive lifetime. Any refusal becomes an Error
// with the service's code, message and request id. No state; safe on any
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

struct AnonymousSession {
  // The anonymous user at the service.
  std::string user_id;
  // The installation the session belongs to; equals the one that was sent.
  std::string installation_id;
  // Bearer token of later requests; the client keeps it as its anonymous
  // access token.
  std::string access_token;
  // Saved in session.dat.
  std::string refresh_token;
  // Expiry of the access token in 100-ns ticks since 1970-01-01 UTC.
  int64_t expires_at = 0;
};

// On failure the session fields are empty and `error` says why.
struct AnonymousSessionResult {
  AnonymousSession session;
  Error error;
};

// The Error of an answer that is not the request's success: a transport
// failure as it is, else kind 13 for a status of 500 or more and kind 12
// below, with the body's "code", "message" (or a default text) and
// "request_id" and the status.
Error error_from_response(const HttpResponse& response);

// Reads the anonymous session from a 200 or 201 answer for
// `expected_installation_id`; any other answer gives error_from_response,
// an incomplete one kind 11. `hooks.system_time` dates the expiry.
AnonymousSessionResult parse_anonymous_session(std::string_view expected_installation_id,
                                               const HttpResponse& response,
                                               const PlatformHooks& hooks = {});

// Parses the answer and saves its refresh token as the saved session.
// Nothing is written unless the answer is a complete session.
AnonymousSessionResult store_anonymous_session(const ClientConfiguration& configuration,
                                               std::string_view expected_installation_id,
                                               const HttpResponse& response,
                                               const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
