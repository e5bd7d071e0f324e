// What the client does with an answer of the service's token endpoint, after
// a browser sign-in's code exchange or a refresh: a 200 with all four token
// fields whose ID token verifies becomes the session (claiming the
// installation first after a sign-in) and its refresh token is saved; any
// other answer becomes the result's Error and changes nothing. Runs on the
// caller's thread; the state's mutex is taken only to assign the session.
#pragma once

#include <string_view>

#include "account/auth_result.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"
#include "account/session_state.h"

namespace halvarin::sdk {

// Verifies the ID token against `expected_nonce` (empty: not compared),
// claims the installation with the new access token when `claim` is set,
// saves the refresh token and then replaces the state's session. A failure
// of the verification, the claim or the save leaves the session as it was
// (a save failing after a successful claim does not undo the claim).
AuthResult handle_token_response(SessionState& state, const HttpResponse& response,
                                 std::string_view expected_nonce, bool claim,
                                 const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
