// The interactive browser sign-in: an OAuth authorization code with PKCE
// (S256) that the service's authorize page redirects to a loopback listener
// on this computer, exchanged at the token endpoint; the ID token is
// verified, the installation claimed for the account and the refresh token
// saved before the session state takes the new identity.
//
// Runs on the sign-in worker thread and blocks it for the browser step. A
// stop on the options' stop token ends the browser wait and any service
// request in flight with kind 3.
#pragma once

#include <string_view>

#include "account/auth_result.h"
#include "account/authorization_context.h"
#include "account/platform_hooks.h"
#include "account/session_state.h"
#include "account/sign_in_options.h"

namespace halvarin::sdk {

// Signs in through the browser. With a non-empty `anonymous_access_token`
// the sign-in first opens an authorization context for this installation,
// renewing an expired anonymous token once through
// `renew_anonymous_token` when one is given. Options are checked before any
// request or browser window: a positive browser time-out, "openid" among
// the scopes and a locale of at most 32 bytes (kind 1).
AuthResult interactive_login(SessionState& state, const SignInOptions& options,
                             std::string_view anonymous_access_token,
                             const AnonymousTokenRenewal& renew_anonymous_token = {},
                             const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
